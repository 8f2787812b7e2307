// The theme's pictures as Qt pixmaps and icons.
#pragma once

#include "gui/storage/themes.h"

#include <QIcon>
#include <QPixmap>

#include <string>

namespace velmora {

QPixmap ThemePixmap(ThemeTable table, const std::string& name);
QIcon ThemeIcon(ThemeTable table, const std::string& name);
// The menu picture of a name with its tool bar picture beside it: menus drawn with larger
// icons than 16 pixels take the larger picture.
QIcon MenuIcon(const std::string& name);

} // namespace velmora
