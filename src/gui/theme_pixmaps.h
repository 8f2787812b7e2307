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
// The program's icon for its windows: the installed one of the desktop's icon theme, else
// the same picture drawn here.
QIcon ProgramIcon();
// The name of the program's desktop entry, without ".desktop", and of its icon.
const char* DesktopEntryName();

} // namespace velmora
