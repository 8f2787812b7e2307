#include "gui/desktop.h"

#include "gui/face_text.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include <memory>

namespace velmora {
namespace {

Desktop gRealDesktop;
Desktop* gDesktop = &gRealDesktop;

// An opener that fails does so at once (xdg-open with no handler exits 3 within moments); one
// still running after this long has started a handler that took the address.
constexpr int kOpenerVerdictMilliseconds = 3000;

// The patterns of a filter line fit when the widest line takes at most this share of the
// screen.
constexpr int kFilterShareOfScreen = 2;

bool FilterLinesFit(const QFileDialog& dialog, const QString& filter) {
    const QScreen* screen = dialog.screen();
    if (!screen)
        return true;
    QFontMetrics metrics(dialog.font());
    for (const QString& line : filter.split(";;"))
        if (metrics.horizontalAdvance(line) >
            screen->availableGeometry().width() / kFilterShareOfScreen)
            return false;
    return true;
}

bool AskWithIcon(QMessageBox::Icon icon, QWidget* parent, const QString& title,
                 const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

void Desktop::Warn(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

void Desktop::Inform(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

void Desktop::ShowError(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

bool Desktop::AskYesNo(QWidget* parent, const QString& title, const QString& text) {
    return AskWithIcon(QMessageBox::Warning, parent, title, text);
}

bool Desktop::AskQuestion(QWidget* parent, const QString& title, const QString& text) {
    return AskWithIcon(QMessageBox::Question, parent, title, text);
}

QString Desktop::ChooseFile(QWidget* parent, const QString& title, const QString& filter) {
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!FilterLinesFit(dialog, filter))
        dialog.setOption(QFileDialog::HideNameFilterDetails);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString Desktop::ChooseFolder(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start);
}

QColor Desktop::ChooseColor(QWidget* parent, const QColor& initial) {
    return QColorDialog::getColor(initial, parent);
}

QString Desktop::ChooseFontFamily(QWidget* parent, const QString& initial) {
    bool chosen = false;
    QFont font = QFontDialog::getFont(&chosen, QFont(initial), parent);
    return chosen ? font.family() : QString();
}

void Desktop::OpenUrl(const QUrl& url, Opened opened) {
    // Qt's own opener reports success once it has started xdg-open, whose failure (no
    // browser, no viewer, a missing file) then only reaches the terminal: run it here and
    // read its exit status.
    QString opener = QStandardPaths::findExecutable("xdg-open");
    if (opener.isEmpty()) {
        opened(QDesktopServices::openUrl(url));
        return;
    }
    auto* process = new QProcess(QCoreApplication::instance());
    // A handler that xdg-open runs in the foreground may write much; nobody reads it here.
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto verdict = std::make_shared<Opened>(std::move(opened));
    auto tell = [verdict](bool result) {
        if (*verdict)
            std::exchange(*verdict, nullptr)(result);
    };
    QObject::connect(process, &QProcess::finished, process,
                     [process, tell](int code, QProcess::ExitStatus status) {
                         tell(status == QProcess::NormalExit && code == 0);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, tell](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         tell(false);
                         process->deleteLater();
                     });
    QTimer::singleShot(kOpenerVerdictMilliseconds, process, [tell] { tell(true); });
    // An opener still running when the program ends is ended with it: that says nothing
    // about the address, and no window is left to say it in.
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, process,
                     [verdict] { *verdict = nullptr; });
    process->start(opener,
                   {url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
}

Desktop& TheDesktop() {
    return *gDesktop;
}

void OpenAddress(QWidget* parent, const QUrl& url, std::function<void()> then) {
    QPointer<QWidget> owner = parent;
    TheDesktop().OpenUrl(url, [owner, url, then](bool opened) {
        if (!opened) {
            QString shown = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
            TheDesktop().ShowError(owner, Text("Msg", "Error"),
                                   Filled("Msg", "Unable to open address", U(shown)));
        }
        if (then)
            then();
    });
}

void SetDesktop(Desktop* desktop) {
    gDesktop = desktop ? desktop : &gRealDesktop;
}

} // namespace velmora
