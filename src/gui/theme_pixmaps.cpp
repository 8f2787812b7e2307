#include "gui/theme_pixmaps.h"

#include "gui/storage/builtin_pictures.h"

#include <QImage>

namespace velmora {

QPixmap ThemePixmap(ThemeTable table, const std::string& name) {
    const ThemePicture& picture = ThemeImage(table, name);
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgba.size() < static_cast<size_t>(picture.width) * picture.height * 4)
        return {};
    // The table keeps its pixels; the image only borrows them until the pixmap copies them.
    QImage image(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                 QImage::Format_RGBA8888);
    return QPixmap::fromImage(image);
}

QIcon ThemeIcon(ThemeTable table, const std::string& name) {
    QPixmap pixmap = ThemePixmap(table, name);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

QIcon MenuIcon(const std::string& name) {
    QIcon icon = ThemeIcon(ThemeTable::MenuIcons, name);
    QPixmap larger = ThemePixmap(ThemeTable::ToolBarIcons, name);
    if (!larger.isNull())
        icon.addPixmap(larger);
    return icon;
}

const char* DesktopEntryName() {
    return VELMORA_APP_ID;
}

QIcon ProgramIcon() {
    QIcon drawn;
    for (int size : {16, 32, 48, 64}) {
        ThemePicture picture = DrawProgramIcon(size, PictureStyle::kFlat);
        if (picture.width > 0)
            drawn.addPixmap(
                QPixmap::fromImage(QImage(picture.rgba.data(), picture.width, picture.height,
                                          picture.width * 4, QImage::Format_RGBA8888)));
    }
    return QIcon::fromTheme(DesktopEntryName(), drawn);
}

} // namespace velmora
