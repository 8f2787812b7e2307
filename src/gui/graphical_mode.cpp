#include "gui/graphical_mode.h"

#include "cli/catalogue/catalogue.h"
#include "engine/batch_driver.h"
#include "engine/format_registry.h"
#include "gui/face_text.h"
#include "gui/main_window.h"
#include "gui/storage/config_file.h"
#include "gui/storage/themes.h"
#include "gui/update_check.h"
#include "settings/settings.h"

#include <QApplication>
#include <QScreen>

namespace velmora {
namespace {

// Fresh settings put the window in the middle of the primary screen, which only the
// face can measure.
void CentreOnPrimaryScreen() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        CentreWindowOnDesktop(screen->geometry().width(), screen->geometry().height());
}

} // namespace

void PrepareGraphicalMode() {
    RebuildAcceptedInputExtensions();
    InitConversionJob();
    gSettings.ConfigPath = ConfigFilePath();
    if (!LoadConfig())
        CentreOnPrimaryScreen();
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
    // The sample-picture mode must not stop for a question.
    if (gJob.RunMode != "T")
        AutoUpdateCheck(&window);
    QApplication::exec();
    FinishGraphicalMode(window);
    return 0;
}

} // namespace velmora
