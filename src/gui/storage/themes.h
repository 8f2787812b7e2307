// The pictures of the graphical face: three named tables (buttons, menu icons, tool bar
// icons), each picture built in and replaceable by a ZIP theme archive in the program's
// gfx folder.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velmora {

// Straight (not premultiplied) RGBA, rows top first, 4 bytes a pixel.
struct ThemePicture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

enum class ThemeTable { Buttons, MenuIcons, ToolBarIcons };

// The fixed names of each table.
const std::vector<std::string>& ThemePictureNames(ThemeTable table);
// Pixels asked for: 16 for buttons and menu icons, by UI Size for the tool bar.
int ThemePictureSize(ThemeTable table);
// The picture currently in a table (built in until a theme replaced it).
const ThemePicture& ThemeImage(ThemeTable table, const std::string& name);

// Folder of the theme archives: the program's folder + "gfx/".
std::string ThemeFolder();
// Theme identifier (archive name without ".zip") -> display name.
const std::map<std::string, std::string>& ThemeList();
void ListThemes();
// Replaces the pictures of the flagged tables from the archive named by UI Theme.
void LoadTheme(bool buttons, bool menuIcons, bool toolBar);
// Puts the built-in pictures back into every table.
void ResetThemePictures();

}  // namespace velmora
