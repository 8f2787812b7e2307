#include "platform/clock.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

class SettingsDefaultsTest : public ::testing::Test {
protected:
    // Scribbles over every kind of field so that defaults have something to undo.
    void Scribble() {
        gSettings.ConfigPath = "/home/u/.config/Corvanta/velmora/config.ini";
        gSettings.RawToneMapping = 0;
        gSettings.JpgQuality = 1;
        gSettings.KeepAspectRatio = 7;
        gSettings.ImageGamma = 5.0f;
        gSettings.FilenameMask = "x";
        gSettings.WatermarkText.clear();
        gSettings.KeepSubfolders = 0;
        gSettings.DoWatermark = 2;
    }
};

TEST_F(SettingsDefaultsTest, ResetEveryFieldKeepConfigPathAndSetAspectRatioByRun) {
    struct Case {
        bool consoleRun;
        int keepAspectRatio;
    } cases[] = {{true, 0}, {false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.consoleRun ? "console run" : "interface run");
        Scribble();
        const int64_t before = NowSeconds();
        SettingsDefaults(c.consoleRun);
        const int64_t after = NowSeconds();
        const Settings& s = gSettings;

        EXPECT_EQ(s.KeepAspectRatio, c.keepAspectRatio);
        EXPECT_EQ(s.ConfigPath, "/home/u/.config/Corvanta/velmora/config.ini");
        EXPECT_GE(s.CustomTimestamp, before);
        EXPECT_LE(s.CustomTimestamp, after);
        EXPECT_GE(s.UpdateDate, before);
        EXPECT_LE(s.UpdateDate, after);
        EXPECT_FLOAT_EQ(s.ImageGamma, 1.0f);
        EXPECT_FALSE(s.WatermarkText.empty());

        struct Number {
            const char* field;
            int64_t actual, expected;
        } numbers[] = {{"CfgVersion", s.CfgVersion, 19},
                       {"RawToneMapping", s.RawToneMapping, 2},
                       {"JpgQuality", s.JpgQuality, 95},
                       {"WebpQuality", s.WebpQuality, 100},
                       {"ImageResizeAlgorithm", s.ImageResizeAlgorithm, 3},
                       {"SolidOpacity", s.SolidOpacity, 255},
                       {"DoWatermark", s.DoWatermark, 0},
                       {"BackOpacity", s.BackOpacity, 1},
                       {"TextPosition", s.TextPosition, 8},
                       {"ImagePosition", s.ImagePosition, 8},
                       {"TextXOffset", s.TextXOffset, 10},
                       {"KeepSubfolders", s.KeepSubfolders, 1}};
        for (const Number& n : numbers)
            EXPECT_EQ(n.actual, n.expected) << n.field;

        const std::string palette =
            "000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF";
        struct Text {
            const char* field;
            const std::string& actual;
            std::string expected;
        } texts[] = {{"FilenameMask", s.FilenameMask, "%filename%.%ext%"},
                     {"FontName", s.FontName, "Arial"},
                     {"FontColors", s.FontColors, palette},
                     {"BackColors", s.BackColors, palette},
                     {"SolidBottomColor", s.SolidBottomColor, "000000"}};
        for (const Text& t : texts)
            EXPECT_EQ(t.actual, t.expected) << t.field;
    }
}

} // namespace
} // namespace velmora
