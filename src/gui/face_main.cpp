// The face's entry point, called by the entry code through dlopen: checks for a display,
// starts Qt and runs the window the mode asks for.
#include "cli/entry/face.h"
#include "gui/display_check.h"
#include "gui/graphical_mode.h"
#include "gui/screenshots.h"
#include "gui/theme_pixmaps.h"
#include "gui/uninstall_window.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

using namespace velmora;

// The program's name as the entry code reports it, for the lines written here.
std::string gProgram = "velmoracmd";

int ReportNoDisplay(const char* reason) {
    std::string line = FaceUnavailableLine(gProgram, reason);
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    return kFaceFailureStatus;
}

std::vector<QString> gHeldMessages;

// While Qt starts, a fatal message means its platform plugin found no display: that is
// reported in one line and the process ends instead of aborting. Other messages are held
// so that a failed start prints nothing else.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        ReportNoDisplay("no display could be opened");
        _exit(kFaceFailureStatus);
    }
    gHeldMessages.push_back(message);
}

} // namespace

extern "C" __attribute__((visibility("default"))) int
VelmoraFaceMain(int mode, const char* argument, const char* program) {
    if (program && *program)
        gProgram = program;
    if (!DisplayIsNamed(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                        std::getenv("WAYLAND_DISPLAY")))
        return ReportNoDisplay("no display");

    static int argc = 1;
    static char name[] = "velmoracmd";
    static char* argv[] = {name, nullptr};
    QtMessageHandler previous = qInstallMessageHandler(StartupMessageHandler);
    QApplication application(argc, argv);
    qInstallMessageHandler(previous);
    // The desktop finds the menu entry, and with it the name and icon, by this name.
    QGuiApplication::setDesktopFileName(DesktopEntryName());
    QApplication::setWindowIcon(ProgramIcon());
    for (const QString& message : gHeldMessages)
        std::fprintf(stderr, "%s\n", qPrintable(message));
    gHeldMessages.clear();

    switch (static_cast<FaceMode>(mode)) {
    case FaceMode::MainWindow:
        PrepareGraphicalMode();
        return RunMainWindow(argument ? argument : "");
    case FaceMode::UninstallWindow:
        return RunUninstallWindow();
    case FaceMode::Screenshots:
        return RunScreenshots(argument ? argument : "", gProgram);
    }
    return kFaceFailureStatus;
}

extern "C" __attribute__((visibility("default"))) int VelmoraFaceAbi() {
    return kFaceAbi;
}
