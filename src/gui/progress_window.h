// The conversion's progress window: runs the worker on its own thread, shows the current
// file, the time remaining (or taken, before a file is done) and a progress bar that moves
// through each file's stages, and asks before a run is broken off.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include "engine/prepare_run.h"
#include "settings/settings.h"

#include <cstdint>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QThread;

namespace velmora {

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    ProgressWindow(QWidget* parent, int total);
    ~ProgressWindow() override;

    // Resets the shared progress and starts the worker on the run the window prepared.
    void Start(const RunPlan& plan);
    bool Running() const { return running_; }
    bool Stopped() const { return stopped_; }

    QLabel* FileLabel() const { return fileLabel_; }
    QLabel* TimeLabel() const { return timeLabel_; }
    // Each file that was not converted, with why; hidden while there is none.
    QLabel* FailuresLabel() const { return failuresLabel_; }
    QProgressBar* Bar() const { return bar_; }
    QPushButton* OkButton() const { return ok_; }

signals:
    // The result text once the worker has ended.
    void Ended(const QString& result);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Poll();
    void ShowFile(int index, const std::string& file);
    void ShowTime(int index, int64_t lastDuration);
    void Finish();
    void ShowFailures(const std::vector<FileFailure>& failures);
    void AskToBreak();

    int total_;
    RunPlan plan_;
    int shownIndex_ = 0;
    int64_t shownSecond_ = -1;
    QElapsedTimer runClock_, fileClock_;
    bool running_ = false;
    bool stopped_ = false;
    bool asking_ = false;
    QThread* worker_ = nullptr;
    QTimer poll_;
    QLabel* fileLabel_;
    QLabel* timeLabel_;
    QLabel* failuresLabel_;
    QProgressBar* bar_;
    QPushButton* ok_;
};

} // namespace velmora
