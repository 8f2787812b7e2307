#include "gui/progress_window.h"

#include "engine/batch_driver.h"
#include "gui/desktop.h"
#include "gui/face_text.h"
#include "gui/progress_text.h"
#include "imageops/drawn/watermark_font.h"
#include "settings/settings.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>

namespace velmora {
namespace {

constexpr int kPollMilliseconds = 15;

} // namespace

ProgressWindow::ProgressWindow(QWidget* parent, int total) : QDialog(parent), total_(total) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(Text("Dialog", "Convert Progress"));
    setMinimumWidth(420);
    fileLabel_ = new QLabel(this);
    timeLabel_ = new QLabel(
        Filled("Dialog", "Time Remaining", CatalogueText("Dialog", "Time Unknown")), this);
    failuresLabel_ = new QLabel(this);
    failuresLabel_->setWordWrap(true);
    failuresLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    failuresLabel_->setTextFormat(Qt::PlainText);
    failuresLabel_->hide();
    bar_ = new QProgressBar(this);
    bar_->setRange(0, total_ * kFileStages);
    bar_->setValue(0);
    ok_ = new QPushButton(Text("Dialog", "OK"), this);
    ok_->setEnabled(false);
    connect(ok_, &QPushButton::clicked, this, &QWidget::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileLabel_);
    layout->addWidget(timeLabel_);
    layout->addWidget(bar_);
    layout->addWidget(failuresLabel_);
    layout->addWidget(ok_, 0, Qt::AlignRight);
    // The window grows by the failures it lists and is never resized by hand.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    poll_.setInterval(kPollMilliseconds);
    connect(&poll_, &QTimer::timeout, this, &ProgressWindow::Poll);
}

ProgressWindow::~ProgressWindow() {
    if (worker_) {
        {
            std::lock_guard lock(gRunMutex);
            gProgress.Running = 0;
        }
        worker_->wait();
        delete worker_;
    }
}

void ProgressWindow::Start(const RunPlan& plan) {
    plan_ = plan;
    {
        std::lock_guard lock(gRunMutex);
        gProgress.CurrentIndex = 0;
        gProgress.CurrentFile.clear();
        gProgress.LastDuration = 0;
        gProgress.ConvertedCount = 0;
        gProgress.Running = 1;
    }
    running_ = true;
    runClock_.start();
    worker_ = QThread::create([this] { ConversionWorker(plan_); });
    worker_->start();
    show();
    poll_.start();
}

void ProgressWindow::Poll() {
    // While the question is open the run mutex is held here; the worker waits for it.
    if (asking_)
        return;
    int index, stage;
    std::string file;
    int64_t lastDuration;
    {
        std::lock_guard lock(gRunMutex);
        index = gProgress.CurrentIndex;
        file = gProgress.CurrentFile;
        lastDuration = gProgress.LastDuration;
        stage = gProgress.CurrentStage;
    }
    if (index > shownIndex_)
        ShowFile(index, file);
    if (index > 0) {
        // Files done, and the stages of the current one: full only when the run is over.
        bar_->setValue((index - 1) * kFileStages + stage);
        ShowTime(index, lastDuration);
    }
    if (worker_->isFinished())
        Finish();
}

void ProgressWindow::ShowFile(int index, const std::string& file) {
    shownIndex_ = index;
    fileClock_.start();
    setWindowTitle(Text("Dialog", "Convert Progress") + " " +
                   Filled("Msg", "Progress", std::to_string(index), std::to_string(total_)));
    fileLabel_->setText(FitInMiddle(Q(file), fileLabel_->fontMetrics(), fileLabel_->width() - 20));
}

// Once a file is done, its time for each file still to go, less what the current one has
// taken so far; until then, the time the run has taken. Refreshed once a second.
void ProgressWindow::ShowTime(int index, int64_t lastDuration) {
    int64_t elapsed = runClock_.elapsed();
    if (elapsed / 1000 == shownSecond_)
        return;
    shownSecond_ = elapsed / 1000;
    if (lastDuration == 0) {
        timeLabel_->setText(Filled("Dialog", "Time Elapsed", U(DurationText(elapsed))));
        return;
    }
    int64_t left = RemainingMilliseconds(lastDuration, total_, index) - fileClock_.elapsed();
    timeLabel_->setText(
        Filled("Dialog", "Time Remaining", U(DurationText(std::max<int64_t>(left, 0)))));
}

void ProgressWindow::Finish() {
    poll_.stop();
    worker_->wait();
    running_ = false;
    int converted;
    std::vector<FileFailure> failures;
    {
        std::lock_guard lock(gRunMutex);
        converted = gProgress.ConvertedCount;
        failures = gProgress.Failures;
    }
    FreeWatermarkFont();
    // The files that were written, not the files that were visited.
    bar_->setValue(converted * kFileStages);
    ShowFailures(failures);
    // Nothing written counts as stopped, as the console's summary says.
    bool complete = !stopped_ && converted > 0;
    QString result = Text("Msg", complete ? "Conversion complete" : "Conversion is not complete");
    fileLabel_->setText(result);
    timeLabel_->setText(
        Filled("Msg", "Progress", std::to_string(converted), std::to_string(total_)));
    ok_->setEnabled(true);
    ok_->setFocus();
    emit Ended(result);
}

// The file's name and the reason, one file a line; the whole path where the pointer rests.
void ProgressWindow::ShowFailures(const std::vector<FileFailure>& failures) {
    QStringList lines, paths;
    for (const FileFailure& failure : failures) {
        lines << QFileInfo(Q(failure.File)).fileName() + ": " + Q(failure.Reason);
        paths << Q(failure.File);
    }
    failuresLabel_->setText(lines.join('\n'));
    failuresLabel_->setToolTip(paths.join('\n'));
    failuresLabel_->setVisible(!failures.empty());
}

void ProgressWindow::AskToBreak() {
    if (asking_)
        return;
    asking_ = true;
    // Holding the run mutex keeps the worker at its next file while the user decides.
    std::unique_lock hold(gRunMutex);
    if (TheDesktop().AskYesNo(this, Text("Msg", "Warning"), Text("Msg", "Ask break conversion"))) {
        gProgress.Running = 0;
        stopped_ = true;
    }
    hold.unlock();
    asking_ = false;
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        AskToBreak();
        return;
    }
    event->accept();
}

void ProgressWindow::reject() {
    // Escape is a close request like any other.
    close();
}

} // namespace velmora
