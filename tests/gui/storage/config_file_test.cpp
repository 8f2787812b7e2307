#include "engine/format_registry.h"
#include "gui/storage/config_file.h"
#include "settings/setting_table.h"
#include "settings/settings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <variant>

namespace velmora {
namespace {

// The file a fresh interface record is written as, line by line from the tables of groups
// and keys; "\n" stands for CR LF.
std::string DefaultFileText() {
    std::string text =
        std::string("\n") +
        "[General]\nCFG = 19\nLanguage = en\nUpdate Range = 2\n"
        "Update Date = 1700000000\nSave Window Position = 1\n; \n"
        "[Window]\nIsMaximized = 0\nWidth = 510\nHeight = 260\nX = 100\nY = 100\n; \n"
        "[Interface]\nUI Theme = handdrawn\nUI Size = 2\n; \n"
        "[Input]\nFormat = raw\nRAW Load As = 0\nRAW Header Size = 0\n"
        "RAW Image Width = 0\nRAW Image Height = 0\nRAW Tone Mapping = 2\n; \n"
        "[Output]\nFormat = tiff\nTIFF BPP = 0\nTIFF Compression = 0\n"
        "TIFF Color Mode = 0\nCmykProfile = \n; \n"
        "[Transform]\nDo Image Rotation = 0\nImage Rotation Type = 0\n"
        "Image Rotation = 0\nImage Rotation Back Color = 000000\n"
        "Do Image Resize = 0\nImage Width = 0\nImage Width Unit = 0\n"
        "Image Height = 0\nImage Height Unit = 0\nKeep Aspect Ratio = 1\n"
        "Image Resize Type = 0\nImage Resize Algorithm = 3\n"
        "Do Image Flip Horizontal = 0\nDo Image Flip Vertical = 0\n; \n"
        "[Adjustment]\nDo Image Color Correction = 0\nImage Brightness = 0\n"
        "Image Contrast = 0\nImage Gamma = 1.000000\nImage Invert = 0\n"
        "Do Image Greyscale = 0\nDo Image Threshold = 0\nImage Threshold = 0\n"
        "Do Image Dither = 0\nImage Dither Algorithm = 0\n; \n"
        "[Frame]\nDo Frame = 0\nSolid Left = 0\nSolid Right = 0\nSolid Top = 0\n"
        "Solid Bottom = 0\nSolid Left Color = 000000\nSolid Right Color = 000000\n"
        "Solid Top Color = 000000\nSolid Bottom Color = 000000\n"
        "Solid Opacity = 255\n; \n"
        "[Watermark]\nDo Watermark = 0\nText = " +
        kDefaultWatermarkText +
        "\nFonts = Arial,DejaVu Sans,Liberation Serif\nFont = Arial\nFont Size = 14\n"
        "Font Leading = 0\nFont Colors = " +
        kDefaultColorPalette +
        "\nFont Color = FFFFFF\nFont Style = 0\nFont Effect = 0\n"
        "Text Antialiasing = 0\nText Alignment = 0\nText Padding = 0\n"
        "Text Opacity = 255\nBack Colors = " +
        kDefaultColorPalette +
        "\nBack Color = 000000\nBack Opacity = 1\nText Boundary = 0\n"
        "Text Position = 8\nText X Offset = 10\nText Y Offset = 10\n"
        "Text Rotation = 0\nText Size = 0\nText Scale = 10\nImage = \n"
        "Image Greyscale = 0\nImage Opacity = 255\nImage Boundary = 0\n"
        "Image Position = 8\nImage X Offset = 10\nImage Y Offset = 10\n"
        "Image Rotation = 0\nImage Size = 0\nImage Scale = 10\n; \n"
        "[Advanced]\nFilename Mask = %filename%.%ext%\nFile Timestamp = 0\n"
        "Custom Timestamp = 1700000001\nOut Folders History = 1\n"
        "Out Folders Number = 5\nKeep Subfolders = 1\n; \n"
        "[File]\nRecent Out Folders = \nRecent Files = \n; \n"
        "[Privacy]\nClean Recent Files = 0\n; \n";
    std::string crlf = "\xEF\xBB\xBF";
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return crlf;
}

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        gSettings.ConfigPath = path_;
        SettingsDefaults(false);
        gSettings.UpdateDate = 1700000000;
        gSettings.CustomTimestamp = 1700000001;
    }
    // Loads the bytes as config.ini.
    void Load(const std::string& bytes) {
        testing::WriteFile(path_, bytes);
        ASSERT_TRUE(LoadConfig());
    }
    std::string Saved() {
        EXPECT_TRUE(SaveConfig());
        return testing::ReadFile(path_);
    }

    testing::TempFolder folder_;
    std::string path_ = folder_ / "config.ini";
};

TEST_F(ConfigFileTest, DefaultsAreWrittenInTheExactForm) {
    EXPECT_EQ(Saved(), DefaultFileText());
}

TEST_F(ConfigFileTest, EveryWrittenFormRoundTripsByteForByte) {
    struct Case {
        const char* line; // as written, without CR LF
        std::function<void(Settings&)> set;
        std::function<bool(const Settings&)> readBack;
    } cases[] = {
        {"Image Gamma = 2.500000", [](Settings& s) { s.ImageGamma = 2.5f; },
         [](const Settings& s) { return s.ImageGamma == 2.5f; }},
        {"Image Gamma = +Infinity", [](Settings& s) { s.ImageGamma = INFINITY; },
         [](const Settings& s) { return std::isinf(s.ImageGamma) && s.ImageGamma > 0; }},
        {"Image Gamma = -Infinity", [](Settings& s) { s.ImageGamma = -INFINITY; },
         [](const Settings& s) { return std::isinf(s.ImageGamma) && s.ImageGamma < 0; }},
        {"Image Brightness = -35", [](Settings& s) { s.ImageBrightness = -35; },
         [](const Settings& s) { return s.ImageBrightness == -35; }},
        {"Do Image Flip Vertical = 1", [](Settings& s) { s.DoImageFlipVertical = 1; },
         [](const Settings& s) { return s.DoImageFlipVertical == 1; }},
        {"Text = D\xC3\xA9j\xC3\xA0 vu %eol% 2",
         [](Settings& s) { s.WatermarkText = "D\xC3\xA9j\xC3\xA0 vu %eol% 2"; },
         [](const Settings& s) { return s.WatermarkText == "D\xC3\xA9j\xC3\xA0 vu %eol% 2"; }},
        {"Recent Out Folders = /a/\t/b c/", [](Settings& s) { s.RecentOutFolders = "/a/\t/b c/"; },
         [](const Settings& s) { return s.RecentOutFolders == "/a/\t/b c/"; }},
        {"Image Rotation = 270", [](Settings& s) { s.WatermarkImageRotation = 270; },
         [](const Settings& s) { return s.WatermarkImageRotation == 270 && s.ImageRotation == 0; }},
        {"UI Theme = flat", [](Settings& s) { s.UiTheme = "flat"; },
         [](const Settings& s) { return s.UiTheme == "flat"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        SetUp();
        c.set(gSettings);
        std::string first = Saved();
        EXPECT_NE(first.find(std::string("\r\n") + c.line + "\r\n"), std::string::npos);
        SettingsDefaults(false);
        ASSERT_TRUE(LoadConfig());
        EXPECT_TRUE(c.readBack(gSettings));
        EXPECT_EQ(Saved(), first);
    }
}

// Every setting config.ini keeps comes back as it was written: each gets a value of its own,
// unlike its default and every other setting's, so a key read into the wrong field shows.
TEST_F(ConfigFileTest, EverySettingOfTheTableRoundTrips) {
    auto kept = [](const SettingSpec& spec) {
        if (spec.group.empty() || spec.field == SettingField(&Settings::CfgVersion) ||
            spec.field == SettingField(&Settings::SaveWindowPosition))
            return false;
        const auto& offered = spec.group == "Input" ? EnabledInputGroups() : EnabledOutputFormats();
        return spec.format.empty() ||
               std::find(offered.begin(), offered.end(), spec.format) != offered.end();
    };
    Settings written = gSettings;
    int unique = 0;
    for (const SettingSpec& spec : SettingTable()) {
        if (!kept(spec))
            continue;
        ++unique;
        std::visit(
            [&](auto member) {
                auto& field = written.*member;
                using Field = std::remove_reference_t<decltype(field)>;
                if constexpr (std::is_same_v<Field, std::string>)
                    field = "v" + std::to_string(unique) + " \xC3\xA9";
                else if constexpr (std::is_same_v<Field, float>)
                    field = static_cast<float>(unique) + 0.25f;
                else if constexpr (std::is_same_v<Field, int8_t>)
                    field =
                        static_cast<int8_t>(field == 100 + unique % 20 ? 99 : 100 + unique % 20);
                else
                    field = 100000 + unique;
            },
            spec.field);
    }
    gSettings = written;
    ASSERT_TRUE(SaveConfig());
    SettingsDefaults(false);
    ASSERT_TRUE(LoadConfig());
    for (const SettingSpec& spec : SettingTable()) {
        if (!kept(spec))
            continue;
        std::visit(
            [&](auto member) {
                EXPECT_EQ(gSettings.*member, written.*member) << spec.group << "/" << spec.key;
            },
            spec.field);
    }
    EXPECT_GT(unique, 90); // the table is walked, not skipped
}

TEST_F(ConfigFileTest, ReaderIsLenient) {
    struct Case {
        const char* name;
        std::string file;
        std::function<bool(const Settings&)> check;
    } cases[] = {
        {"lower-case group and key", "[general]\r\ncfg = 19\r\nlanguage = de\r\n",
         [](const Settings& s) { return s.Language == "de" && s.CfgVersion == 19; }},
        {"blanks around the value", "[General]\n   Language =   fr  \n",
         [](const Settings& s) { return s.Language == "fr"; }},
        {"CR line ends and comments", "[Watermark]\r; c\rFont Size=20\r\rFont=Tahoma",
         [](const Settings& s) { return s.FontSize == 20 && s.FontName == "Tahoma"; }},
        {"Latin-1 without mark", "[Watermark]\nText = caf\xE9\n",
         [](const Settings& s) { return s.WatermarkText == "caf\xC3\xA9"; }},
        {"UTF-8 after the mark", "\xEF\xBB\xBF\r\n[Watermark]\r\nText = caf\xC3\xA9\r\n",
         [](const Settings& s) { return s.WatermarkText == "caf\xC3\xA9"; }},
        {"missing key takes the default", "[Watermark]\nFont = Tahoma\n",
         [](const Settings& s) { return s.FontSize == 14 && s.KeepAspectRatio == 1; }},
        {"non-numeric integer reads 0", "[Watermark]\nFont Size = big\n",
         [](const Settings& s) { return s.FontSize == 0; }},
        {"leading digits", "[Watermark]\nFont Size = 18pt\n",
         [](const Settings& s) { return s.FontSize == 18; }},
        {"a byte keeps the low byte", "[Transform]\nImage Resize Algorithm = 261\n",
         [](const Settings& s) { return s.ImageResizeAlgorithm == 5; }},
        {"key only in its own group", "[Output]\nFont Size = 20\n",
         [](const Settings& s) { return s.FontSize == 14; }},
        {"NaN gamma", "[Adjustment]\nImage Gamma = NaN\n",
         [](const Settings& s) { return std::isnan(s.ImageGamma); }},
        {"other formats' keys are honoured", "[Output]\nJPG Quality = 40\n",
         [](const Settings& s) { return s.JpgQuality == 40; }},
        {"window read whatever the save flag",
         "[General]\nSave Window Position = 0\n[Window]\nWidth = 700\n",
         [](const Settings& s) { return s.SaveWindowPosition == 0 && s.WindowWidth == 700; }},
        {"file without a version", "[General]\nLanguage = en\n",
         [](const Settings& s) { return s.CfgVersion == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.file);
        EXPECT_TRUE(c.check(gSettings));
    }
}

TEST_F(ConfigFileTest, LatinOneValueIsWrittenBackAsUtf8) {
    Load("[Watermark]\nText = caf\xE9\n");
    EXPECT_NE(Saved().find("\r\nText = caf\xC3\xA9\r\n"), std::string::npos);
}

TEST_F(ConfigFileTest, MigrationsFollowTheVersion) {
    struct Case {
        const char* name;
        std::string file;
        const char* mask;
        int rawLoadAs, psdColorMode, tiffColorMode;
    } cases[] = {
        {"no version", "[Input]\nRAW Load As = 1\n[Advanced]\nFilename Mask = %name%_x\n",
         "%name%_x.%ext%", 3, 0, 0},
        {"mask already has the extension",
         "[General]\nCFG = 5\n[Advanced]\nFilename Mask = a.%EXT%\n", "a.%EXT%", 0, 0, 0},
        {"version 11",
         "[General]\nCFG = 11\n[Input]\nRAW Load As = 1\n[Advanced]\nFilename Mask = n\n", "n", 3,
         0, 0},
        {"RAW AUTO stays", "[General]\nCFG = 13\n[Input]\nRAW Load As = 0\n", "%filename%.%ext%", 0,
         0, 0},
        {"version 14", "[General]\nCFG = 14\n[Input]\nRAW Load As = 1\n", "%filename%.%ext%", 1, 0,
         0},
        {"colour models at 18",
         "[General]\nCFG = 18\n[Input]\nPSD Color Mode = 0\nPSD Color Model = 2\n"
         "[Output]\nTIFF Color Model = 1\n",
         "%filename%.%ext%", 0, 2, 1},
        {"zero model keeps the mode",
         "[General]\nCFG = 18\n[Input]\nPSD Color Mode = 1\nPSD Color Model = 0\n",
         "%filename%.%ext%", 0, 1, 0},
        {"colour models ignored at 19", "[General]\nCFG = 19\n[Input]\nPSD Color Model = 2\n",
         "%filename%.%ext%", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.file);
        EXPECT_EQ(gSettings.FilenameMask, c.mask);
        EXPECT_EQ(gSettings.RawLoadAs, c.rawLoadAs);
        EXPECT_EQ(gSettings.PsdColorMode, c.psdColorMode);
        EXPECT_EQ(gSettings.TiffColorMode, c.tiffColorMode);
        std::string saved = Saved();
        EXPECT_NE(saved.find("\r\nCFG = 19\r\n"), std::string::npos);
        EXPECT_EQ(saved.find("Color Model"), std::string::npos);
    }
}

TEST_F(ConfigFileTest, NoFileGivesDefaultsAndACentredWindow) {
    gSettings.FontSize = 99;
    EXPECT_FALSE(LoadConfig());
    EXPECT_EQ(gSettings.FontSize, 14);
    EXPECT_EQ(gSettings.CfgVersion, 19);
    struct Case {
        int desktopWidth, desktopHeight, x, y;
    } cases[] = {{1920, 1080, 705, 410}, {800, 260, 145, 100}, {510, 200, 100, 100}};
    for (const Case& c : cases) {
        CentreWindowOnDesktop(c.desktopWidth, c.desktopHeight);
        EXPECT_EQ(gSettings.WindowX, c.x) << c.desktopWidth;
        EXPECT_EQ(gSettings.WindowY, c.y) << c.desktopHeight;
    }
}

TEST_F(ConfigFileTest, ClosingCapturesTheWindowByItsState) {
    struct Case {
        const char* name;
        WindowState window;
        int isMaximized, x, y, width, height;
    } cases[] = {
        {"normal", {false, false, 30, 40, 600, 300}, 0, 30, 40, 600, 300},
        {"maximised keeps the normal geometry", {true, false, 0, 0, 1920, 1040}, 1, 5, 6, 520, 270},
        {"minimised changes nothing", {false, true, -32000, -32000, 160, 28}, 1, 5, 6, 520, 270},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gSettings.IsMaximized = 1;
        gSettings.WindowX = 5, gSettings.WindowY = 6;
        gSettings.WindowWidth = 520, gSettings.WindowHeight = 270;
        ASSERT_TRUE(SaveConfigOnExit(c.window));
        SettingsDefaults(false);
        ASSERT_TRUE(LoadConfig());
        EXPECT_EQ(gSettings.IsMaximized, c.isMaximized);
        EXPECT_EQ(gSettings.WindowX, c.x);
        EXPECT_EQ(gSettings.WindowY, c.y);
        EXPECT_EQ(gSettings.WindowWidth, c.width);
        EXPECT_EQ(gSettings.WindowHeight, c.height);
    }
}

TEST_F(ConfigFileTest, ClosingEmptiesRecentFoldersOnlyWithoutHistory) {
    for (int history : {0, 1}) {
        gSettings.OutFoldersHistory = static_cast<int8_t>(history);
        gSettings.RecentOutFolders = "/a/\t/b/";
        ASSERT_TRUE(SaveConfigOnExit({}));
        EXPECT_EQ(gSettings.RecentOutFolders, history ? "/a/\t/b/" : "") << history;
    }
}

TEST_F(ConfigFileTest, WindowGroupWithoutSavedPositionIsHeaderAndComment) {
    gSettings.SaveWindowPosition = 0;
    EXPECT_NE(Saved().find("\r\n[Window]\r\n; \r\n[Interface]\r\n"), std::string::npos);
}

TEST_F(ConfigFileTest, SaveReplacesTheFileWholeOrNotAtAll) {
    testing::WriteFile(path_, "[General]\nCFG = 3\nUnknown Key = 1\n");
    std::string saved = Saved();
    EXPECT_EQ(saved.find("Unknown Key"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 1);

    gSettings.ConfigPath = folder_ / "missing/config.ini";
    EXPECT_FALSE(SaveConfig());
    EXPECT_FALSE(testing::FileExists(folder_ / "missing"));
}

// A disk that fills up mid-write (a file-size limit in a child process): the earlier
// config.ini survives byte for byte and no temporary file is left beside it.
TEST_F(ConfigFileTest, AFailedWriteKeepsTheEarlierFile) {
    std::string earlier = Saved();
    gSettings.RecentFiles = std::string(64 * 1024, 'x');
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(SaveConfig() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the save reported success";
    EXPECT_EQ(testing::ReadFile(path_), earlier);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 1);
}

TEST(ConfigFolderTest, FollowsXdgConfigHomeAndCreatesTheFolders) {
    testing::TempFolder home, xdg;
    std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    struct Case {
        const char* xdgValue; // nullptr: unset
        std::string expected;
    } cases[] = {{xdg.Path().c_str(), xdg / "Corvanta/velmora/"},
                 {"relative/dir", home / ".config/Corvanta/velmora/"},
                 {nullptr, home / ".config/Corvanta/velmora/"}};
    setenv("HOME", home.Path().c_str(), 1);
    for (const Case& c : cases) {
        if (c.xdgValue)
            setenv("XDG_CONFIG_HOME", c.xdgValue, 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(ConfigFolder(), c.expected);
        EXPECT_TRUE(std::filesystem::is_directory(c.expected)) << c.expected;
        EXPECT_EQ(ConfigFilePath(), c.expected + "config.ini");
    }
    setenv("HOME", oldHome.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace velmora
