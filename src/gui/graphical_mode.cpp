#include "gui/graphical_mode.h"

#include "cli/catalogue/catalogue.h"
#include "engine/batch_driver.h"
#include "engine/format_registry.h"
#include "gui/face_text.h"
#include "gui/main_window.h"
#include "gui/screen_fit.h"
#include "gui/storage/config_file.h"
#include "gui/storage/themes.h"
#include "gui/update_check.h"
#include "gui/window_handover_server.h"
#include "platform/instance_lock.h"
#include "platform/window_handover.h"
#include "settings/settings.h"

#include <QApplication>
#include <QScreen>

namespace velmora {
namespace {

// Fresh settings put the window in the middle of the screen it opens on, which only the
// face can measure.
void CentreOnItsScreen() {
    QScreen* screen = ScreenForNewWindow();
    if (!screen)
        return;
    QRect area = screen->availableGeometry();
    CentreWindowOnDesktop(area.width(), area.height());
    gSettings.WindowX += area.x();
    gSettings.WindowY += area.y();
}

} // namespace

void PrepareGraphicalMode() {
    RebuildAcceptedInputExtensions();
    InitConversionJob();
    gSettings.ConfigPath = ConfigFilePath();
    if (!LoadConfig())
        CentreOnItsScreen();
    LoadCatalogue();
    ListThemes();
    LoadTheme(true, true, true);
}

void FinishGraphicalMode(const MainWindow& window) {
    SaveConfigOnExit(window.ClosingState());
}

int RunMainWindow(const std::string& inputFile) {
    MainWindow window;
    window.Open();
    if (!inputFile.empty())
        window.TakeInputFile(Q(inputFile));
    // Later starts of the program hand their file to this window instead of being refused.
    WindowHandOverServer handOver([&window](const QString& file) { window.TakeHandedFile(file); });
    handOver.Listen(Q(WindowSocketPath(InstanceLockPath())));
    // The sample-picture mode must not stop for a question.
    if (gJob.RunMode != "T")
        AutoUpdateCheck(&window);
    QApplication::exec();
    FinishGraphicalMode(window);
    return 0;
}

} // namespace velmora
