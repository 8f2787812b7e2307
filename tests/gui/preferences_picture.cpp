// Writes a PNG of the real Preferences dialog, at a page and with a text watermark chosen
// so that the picture shows most kinds of control, for the README
// (scripts/preferences-screenshot.sh runs it).
#include "cli/catalogue/catalogue.h"
#include "engine/batch_driver.h"
#include "engine/format_registry.h"
#include "gui/preferences_dialog.h"
#include "gui/storage/themes.h"
#include "settings/keywords.h"
#include "settings/settings.h"

#include <QApplication>
#include <QImage>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

using namespace velmora;

namespace {

// Time for the dialog to lay itself out and paint before it is captured.
constexpr int kSettleMilliseconds = 200;

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [PAGE 0-8]\n", argv[0]);
        return 2;
    }
    int page = argc > 2 ? std::atoi(argv[2]) : kWatermarkPage;
    RebuildAcceptedInputExtensions();
    InitConversionJob();
    LoadCatalogue();
    // Fresh settings, and no settings file: the picture shows the defaults.
    SettingsDefaults(false);
    gSettings.DoWatermark = ValueOf(WatermarkKind::Text);
    ListThemes();
    LoadTheme(true, true, true);

    // The dialog deletes itself when it closes.
    auto* dialog = new PreferencesDialog(nullptr, page);
    dialog->show();
    QImage captured;
    QTimer::singleShot(kSettleMilliseconds, dialog, [&] {
        captured = dialog->grab().toImage();
        dialog->reject();
    });
    QApplication::exec();
    if (captured.isNull() || !captured.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
