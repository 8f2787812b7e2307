#include "gui/screenshots.h"

#include "cli/entry/face.h"
#include "cli/help.h"
#include "engine/format_registry.h"
#include "gui/commands.h"
#include "gui/jpeg_writer.h"
#include "gui/main_window.h"
#include "gui/storage/themes.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "settings/settings.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>

#include <cstdio>

namespace velmora {
namespace {

constexpr int kJpegQuality = 90;
constexpr int kSmallWidth = 340;
// Time for the window to lay itself out and paint before it is captured.
constexpr int kSettleMilliseconds = 150;

std::string SampleInputFile() {
    const auto& extensions = AcceptedInputExtensions();
    int last = static_cast<int>(extensions.size()) - 1;
    std::string extension =
        last < 0 ? "raw" : extensions[static_cast<size_t>(RandomInRange(0, last))];
    return "/images/summer." + extension;
}

} // namespace

QImage MarkedScreenshot(const QImage& window) {
    QImage marked = window.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&marked);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font("Tahoma");
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x1f, 0x4e, 0x8c));
    // The painter counts in the window's own pixels, which a scale factor makes larger than
    // the picture's.
    QRect area(QPoint(0, 0), marked.deviceIndependentSize().toSize());
    painter.drawText(area.adjusted(0, 0, -10, -5), Qt::AlignRight | Qt::AlignBottom,
                     kScreenshotWebAddress);
    return marked;
}

int RunScreenshots(const std::string& folder, const std::string& program) {
    ListThemes();
    LoadTheme(true, true, true);
    gSettings.WindowX = 400;
    gSettings.WindowY = 400;
    gSettings.WindowWidth = 510;
    gSettings.WindowHeight = 260;
    gSettings.IsMaximized = 0;

    MainWindow window;
    window.Open();
    static_cast<QLineEdit*>(window.Control(kInputFileField))
        ->setText(QString::fromStdString(SampleInputFile()));
    static_cast<QComboBox*>(window.Control(kOutputFolderField))->setEditText("/converted/");

    QImage captured;
    QTimer::singleShot(kSettleMilliseconds, &window, [&] {
        captured = window.grab().toImage();
        window.close();
    });
    QApplication::exec();

    std::string target = WithTrailingSlash(folder.empty() ? CurrentFolder() : folder);
    QImage marked = MarkedScreenshot(captured);
    QImage small = marked.scaledToWidth(kSmallWidth, Qt::SmoothTransformation);
    if (!WriteJpegFile(marked, target + kScreenshotName, kJpegQuality) ||
        !WriteJpegFile(small, target + kSmallScreenshotName, kJpegQuality)) {
        std::fprintf(stderr, "%s: cannot write the screenshots into %s\n", program.c_str(),
                     target.c_str());
        return kFaceFailureStatus;
    }
    return 0;
}

} // namespace velmora
