#include "gui/storage/builtin_pictures.h"
#include "gui/storage/themes.h"
#include "imageops/drawn/png_io.h"
#include "settings/settings.h"
#include "support/test_support.h"
#include "theme_archive.h"

#include <gtest/gtest.h>

#include <set>

namespace velmora {
namespace {

constexpr ThemeTable kTables[] = {ThemeTable::Buttons, ThemeTable::MenuIcons,
                                  ThemeTable::ToolBarIcons, ThemeTable::PageIcons};

// A PNG of one colour; its size and colour show which entry a picture came from.
std::string SolidPng(int size, Rgba colour) {
    RgbaPixels pixels = MakeRgbaPixels(size, size, true);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            pixels.Set(x, y, colour);
    auto png = EncodePng(pixels);
    return std::string(png->begin(), png->end());
}

Rgba FirstPixel(const ThemePicture& picture) {
    return {picture.rgba[0], picture.rgba[1], picture.rgba[2], picture.rgba[3]};
}

bool SamePicture(const ThemePicture& a, const ThemePicture& b) {
    return a.width == b.width && a.height == b.height && a.rgba == b.rgba;
}

constexpr Rgba kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255}, kGreen{0, 255, 0, 255};

class ThemesTest : public ::testing::Test {
protected:
    void SetUp() override {
        SettingsDefaults(false);
        ResetThemePictures();
    }
    void WriteTheme(const std::string& identifier, const ArchiveEntries& entries) {
        testing::WriteFile(folder_ / (identifier + ".zip"), *PackZip(entries));
    }
    testing::TempFolder folder_;
};

TEST_F(ThemesTest, ToolBarSizeFollowsUiSize) {
    struct Case {
        int uiSize, toolBar;
    } cases[] = {{0, 16}, {1, 24}, {2, 32}, {3, 48}, {4, 64}, {5, 16}, {-1, 16}};
    for (const Case& c : cases) {
        gSettings.UiSize = c.uiSize;
        EXPECT_EQ(ThemePictureSize(ThemeTable::ToolBarIcons), c.toolBar) << c.uiSize;
        EXPECT_EQ(ThemePictureSize(ThemeTable::Buttons), 16);
        EXPECT_EQ(ThemePictureSize(ThemeTable::MenuIcons), 16);
        EXPECT_EQ(ThemeImage(ThemeTable::ToolBarIcons, "Exit").width, c.toolBar);
    }
}

TEST_F(ThemesTest, EveryBuiltInPictureIsDrawnAndTellsItsNameApart) {
    for (PictureStyle style : {PictureStyle::kHandDrawn, PictureStyle::kFlat}) {
        for (int size : {16, 24, 32, 48, 64}) {
            std::set<std::vector<uint8_t>> seen;
            for (const std::string& name : DrawnPictureNames()) {
                SCOPED_TRACE(name + " at " + std::to_string(size));
                ThemePicture picture = DrawPicture(name, size, style);
                ASSERT_EQ(picture.width, size);
                ASSERT_EQ(picture.height, size);
                int clear = 0, inked = 0;
                std::set<uint32_t> colours;
                for (size_t i = 0; i < picture.rgba.size(); i += 4) {
                    clear += picture.rgba[i + 3] == 0;
                    inked += picture.rgba[i + 3] >= 128;
                    colours.insert(picture.rgba[i] << 16 | picture.rgba[i + 1] << 8 |
                                   picture.rgba[i + 2]);
                }
                // A shape on a transparent ground, not a filled or empty square.
                EXPECT_GT(clear, size * size / 10);
                EXPECT_GT(inked, size * size / 10);
                EXPECT_GE(colours.size(), 3u);
                EXPECT_TRUE(seen.insert(picture.rgba).second) << "drawn like another name";
            }
        }
    }
    for (ThemeTable table : kTables)
        for (const std::string& name : ThemePictureNames(table))
            EXPECT_GT(ThemeImage(table, name).width, 0) << name;
    EXPECT_EQ(ThemeImage(ThemeTable::Buttons, "Exit").width, 0);
    EXPECT_EQ(DrawPicture("Nothing", 16, PictureStyle::kFlat).width, 0);
}

TEST_F(ThemesTest, EntryNameFromKeyValue) {
    struct Case {
        const char* value;
        int size;
        const char* entry;
    } cases[] = {{"exit", 24, "exit_24.png"},
                 {"exit", 16, "exit_16.png"},
                 {"icons/door.PNG", 48, "icons/door.PNG"},
                 {"a.png.old", 16, "a.png.old"},
                 {"", 32, "_32.png"}};
    for (const Case& c : cases)
        EXPECT_EQ(ThemeEntryName(c.value, c.size), c.entry) << c.value;
}

TEST_F(ThemesTest, ToolBarAndMenuTakeTheirOwnSizes) {
    WriteTheme("t", {{"theme.cfg", "[Theme]\nName=T\n[Icons]\n exit = exit \n"},
                     {"exit_16.png", SolidPng(16, kRed)},
                     {"exit_24.png", SolidPng(24, kBlue)}});
    gSettings.UiTheme = "t";
    gSettings.UiSize = 1;
    LoadThemeFrom(folder_.Path(), true, true, true);
    const ThemePicture& menu = ThemeImage(ThemeTable::MenuIcons, "Exit");
    const ThemePicture& toolBar = ThemeImage(ThemeTable::ToolBarIcons, "Exit");
    EXPECT_EQ(menu.width, 16);
    EXPECT_EQ(FirstPixel(menu), kRed);
    EXPECT_EQ(toolBar.width, 24);
    EXPECT_EQ(FirstPixel(toolBar), kBlue);
}

TEST_F(ThemesTest, WhatAThemeDoesNotSupplyStaysBuiltIn) {
    WriteTheme("partial", {{"theme.cfg", "[Icons]\nExit=exit\nCopy=copy\nHelp=help\n"},
                           {"exit_16.png", SolidPng(16, kRed)},
                           {"help_16.png", "not a picture"}});
    gSettings.UiTheme = "partial";
    LoadThemeFrom(folder_.Path(), true, true, false);
    EXPECT_EQ(FirstPixel(ThemeImage(ThemeTable::MenuIcons, "Exit")), kRed);
    struct Case {
        ThemeTable table;
        const char* name; // no key, no entry, undecodable entry, table not flagged
    } kept[] = {{ThemeTable::Buttons, "Convert"},
                {ThemeTable::MenuIcons, "Copy"},
                {ThemeTable::MenuIcons, "Help"},
                {ThemeTable::MenuIcons, "Web"},
                {ThemeTable::ToolBarIcons, "Exit"}};
    for (const Case& c : kept) {
        int size = ThemePictureSize(c.table);
        EXPECT_TRUE(SamePicture(ThemeImage(c.table, c.name),
                                DrawPicture(c.name, size, PictureStyle::kHandDrawn)))
            << c.name;
    }
}

TEST_F(ThemesTest, ListNamesThemesAndMissingThemeFallsBackToTheFirst) {
    std::string longComment = "; " + std::string(300, '-') + "\n";
    WriteTheme("b", {{"theme.cfg", "[Theme]\r\nName = Bee\r\n[Buttons]\r\nConvert = go.png\r\n"},
                     {"go.png", SolidPng(20, kGreen)}});
    WriteTheme("a", {{"theme.cfg", "[THEME]\nname=Caf\xE9\n"}});
    WriteTheme("late", {{"theme.cfg", longComment + "[Theme]\nName = Too Late\n"}});
    testing::WriteFile(folder_ / "notes.txt", "not a theme");
    testing::WriteFile(folder_ / "broken.zip", "PK but not really");
    ListThemesIn(folder_.Path());
    std::map<std::string, std::string> expected = {
        {"a", "Caf\xC3\xA9"}, {"b", "Bee"}, {"late", "late"}, {"broken", "broken"}};
    EXPECT_EQ(ThemeList(), expected);

    gSettings.UiTheme = "gone";
    LoadThemeFrom(folder_.Path(), true, true, true);
    EXPECT_EQ(gSettings.UiTheme, "a");

    gSettings.UiTheme = "b";
    LoadThemeFrom(folder_.Path(), true, false, false);
    EXPECT_EQ(ThemeImage(ThemeTable::Buttons, "Convert").width, 20);
    gSettings.UiTheme = "broken";
    LoadThemeFrom(folder_.Path(), true, false, false);
    EXPECT_EQ(ThemeImage(ThemeTable::Buttons, "Convert").width, 20);
    ResetThemePictures();
    EXPECT_EQ(ThemeImage(ThemeTable::Buttons, "Convert").width, 16);
}

TEST_F(ThemesTest, ShippedThemesSupplyEveryPicture) {
    ListThemes();
    ASSERT_TRUE(ThemeList().count("handdrawn"));
    ASSERT_TRUE(ThemeList().count("flat"));
    for (const auto& [identifier, displayName] : ThemeList()) {
        SCOPED_TRACE(identifier);
        EXPECT_NE(displayName, identifier);
        for (int uiSize = 0; uiSize < 5; ++uiSize) {
            ResetThemePictures();
            gSettings.UiTheme = identifier;
            gSettings.UiSize = uiSize;
            LoadTheme(true, true, true);
            // Built-in pictures follow the size asked for; the theme's stay as loaded.
            const int loaded = ThemePictureSize(ThemeTable::ToolBarIcons);
            gSettings.UiSize = uiSize == 0 ? 1 : 0;
            for (const std::string& name : ThemePictureNames(ThemeTable::ToolBarIcons)) {
                EXPECT_EQ(ThemeImage(ThemeTable::ToolBarIcons, name).width, loaded) << name;
                EXPECT_EQ(ThemeImage(ThemeTable::PageIcons, name).width, 32) << name;
            }
        }
    }
}

} // namespace
} // namespace velmora
