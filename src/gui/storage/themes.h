// The pictures of the graphical face: three named tables (buttons, menu icons, tool bar
// icons), and the icons of the Preferences page list, each picture built in and replaceable
// by a ZIP theme archive in the program's gfx folder.
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

// PageIcons holds the icon names at the page list's 32 pixels, whatever the tool bar size.
enum class ThemeTable { Buttons, MenuIcons, ToolBarIcons, PageIcons };

// The fixed names of each table.
const std::vector<std::string>& ThemePictureNames(ThemeTable table);
// Pixels asked for: 16 for buttons and menu icons, by UI Size for the tool bar, 32 for the
// page icons.
int ThemePictureSize(ThemeTable table);
// The picture currently in a table (built in until a theme replaced it; built-in pictures
// are drawn at the table's current size); an empty picture for a name not in the table.
const ThemePicture& ThemeImage(ThemeTable table, const std::string& name);

// The archive entry a theme.cfg value names at a size: the value itself when it holds
// ".png" (any case), else value + "_" + size + ".png" ("exit" at 24 is "exit_24.png").
std::string ThemeEntryName(const std::string& value, int size);

// Folder of the theme archives: "gfx/" in the program's data folder.
std::string ThemeFolder();
// Theme identifier (archive name without ".zip") -> display name (the identifier when the
// archive names none). The first entry, alphabetically, stands in for a missing theme.
const std::map<std::string, std::string>& ThemeList();
// Fills ThemeList from the "*.zip" archives of ThemeFolder(), or of another folder.
void ListThemes();
void ListThemesIn(const std::string& folder);
// Replaces the pictures of the flagged tables from the archive named by UI Theme, in
// ThemeFolder() or another folder; the page icons come with the menu icons. When that archive is
// gone and ThemeList is not empty, UI Theme becomes the first listed theme. Pictures the theme does
// not supply stay as they were.
void LoadTheme(bool buttons, bool menuIcons, bool toolBar);
void LoadThemeFrom(const std::string& folder, bool buttons, bool menuIcons, bool toolBar);
// Puts the built-in pictures back into every table: call it before LoadTheme when the
// theme changes, so that pictures of the old theme do not linger.
void ResetThemePictures();
// The same for one table: before the tool bar icons are loaded at another size.
void ResetThemePictures(ThemeTable table);

} // namespace velmora
