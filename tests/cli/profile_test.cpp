#include "cli/console_main.h"
#include "cli/profile.h"
#include "settings/settings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace velmora {
namespace testing {
// From options_test.cpp: every field as text, and the "Field=value" changes since then.
std::map<std::string, std::string> Snapshot();
std::set<std::string> ChangesSince(const std::map<std::string, std::string>& before,
                                   const DriverState* state);
} // namespace testing

namespace {

using Changes = std::set<std::string>;
using testing::ChangesSince;
using testing::Snapshot;

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        SettingsDefaults(true);
        gJob = ConversionJob{};
    }
    std::string Write(const std::string& name, std::string_view bytes) {
        testing::WriteFile(folder_ / name, bytes);
        return folder_ / name;
    }
    testing::TempFolder folder_;
};

TEST_F(ProfileTest, KeysOfTheCliGroupBecomeSettings) {
    const std::string nested = Write("nested.ini", "[CLI]\n--JPG-QUALITY = 1\n");
    struct Case {
        const char* name;
        std::string bytes;
        Changes expected;
    } cases[] = {
        {"flags whatever their value",
         "[CLI]\n--FLIP-HORIZONTAL = 0\n--INVERT =\n--GREYSCALE = no\n--FLIP-VERTICAL\n",
         {"DoImageFlipHorizontal=1", "ImageInvert=1", "DoImageColorCorrection=1",
          "DoImageGreyscale=1", "DoImageFlipVertical=1"}},
        {"lower-case group and key", "[cli]\n--jpg-quality = 80\n", {"JpgQuality=80"}},
        {"other groups ignored",
         "--JPG-QUALITY = 70\n[Other]\n--JPG-QUALITY = 60\n[CLI]\n--WEBP-QUALITY = 50\n",
         {"WebpQuality=50"}},
        {"only the first CLI group",
         "[CLI]\n--JPG-QUALITY = 10\n[Other]\n[Cli]\n--JPG-QUALITY = 20\n--WEBP-QUALITY = 5\n",
         {"JpgQuality=10"}},
        {"frame opacity has its own key",
         "[CLI]\n--FR-SOLID-OPACITY = 64\n--WM-SOLID-OPACITY = 128\n",
         {"SolidOpacity=128"}},
        {"run options and short names ignored",
         "[CLI]\n--INPUT = photo.raw\n--OUTPUT = out\n--CONVERSION = jpg\n--DEBUG\n--QUIET\n"
         "--PAUSE\n-I = a.raw\n-Q\n--PROFILE = " +
             nested + "\n",
         {}},
        {"repeated key, last wins",
         "[CLI]\n--JPG-QUALITY = 10\n--JPG-QUALITY = 20\n",
         {"JpgQuality=20"}},
        {"text keeps quotes, the mask loses them",
         "[CLI]\n--WM-TEXT = \"Hello\"\n--FILENAME-MASK = \"%filename%_\"x\".%ext%\"\n",
         {"DoWatermark=1", "WatermarkText=\"Hello\"", "FilenameMask=%filename%_\"x\".%ext%"}},
        {"texts are never joined", "[CLI]\n--WM-FONT = \"Liberation\n", {"FontName=\"Liberation"}},
        {"values by kind",
         "[CLI]\n--WM-TEXT-POSITION =   topleft  \n--RAW-WIDTH = $10\n--GAMMA = 2.5\n"
         "--DITHER = bayer8\n--WM-FONT = Liberation Sans\n--BRIGHTNESS = -20\n",
         {"TextPosition=0", "RawImageWidth=16", "ImageGamma=2.5", "DoImageColorCorrection=1",
          "DoImageDither=1", "ImageDitherAlgorithm=2", "FontName=Liberation Sans",
          "ImageBrightness=-20"}},
        {"UTF-8 with mark",
         "\xEF\xBB\xBF[CLI]\r\n--WM-TEXT = caf\xC3\xA9\r\n",
         {"DoWatermark=1", "WatermarkText=caf\xC3\xA9"}},
        {"UTF-8 without mark",
         "[CLI]\n--WM-TEXT = caf\xC3\xA9\n",
         {"DoWatermark=1", "WatermarkText=caf\xC3\xA9"}},
        {"Latin-1", "[CLI]\n--WM-TEXT = caf\xE9\n", {"DoWatermark=1", "WatermarkText=caf\xC3\xA9"}},
        {"CR line ends",
         "[CLI]\r--JPG-QUALITY = 80\r--WEBP-QUALITY = 70",
         {"JpgQuality=80", "WebpQuality=70"}},
        {"empty file", "", {}},
        {"no CLI group", "[CLIX]\n--JPG-QUALITY = 80\n", {}},
        {"empty CLI group", "[CLI]\n; nothing\n", {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write("profile.ini", c.bytes);
        SetUp();
        auto before = Snapshot();
        DriverState state = RunOptionLoop({"--profile=" + path});
        EXPECT_EQ(ChangesSince(before, &state), c.expected);
    }
}

TEST_F(ProfileTest, UnreadableProfilesFailAndChangeNothing) {
    std::filesystem::create_directory(folder_ / "sub");
    for (const std::string& name : {folder_ / "missing.ini", std::string(), folder_ / "sub"}) {
        auto before = Snapshot();
        EXPECT_FALSE(LoadProfile(name)) << '"' << name << '"';
        EXPECT_EQ(ChangesSince(before, nullptr), Changes{}) << '"' << name << '"';
    }
    EXPECT_TRUE(LoadProfile(Write("empty.ini", "")));
}

TEST_F(ProfileTest, AppliesAtItsPlaceOnTheCommandLine) {
    const std::string high = "--profile=" + Write("high.ini", "[CLI]\n--JPG-QUALITY = 80\n"
                                                              "--WEBP-QUALITY = 70\n");
    const std::string low = "--profile=" + Write("low.ini", "[CLI]\n--JPG-QUALITY = 60\n");
    Write("my profile.ini", "[CLI]\n--JPG-QUALITY = 50\n");
    struct Case {
        const char* name;
        Arguments arguments;
        Changes expected;
    } cases[] = {{"between two options",
                  {"--jpg-quality=10", "--webp-quality=5", high, "--jpg-quality=20"},
                  {"JpgQuality=20", "WebpQuality=70"}},
                 {"two profiles in order", {high, low}, {"JpgQuality=60", "WebpQuality=70"}},
                 {"two profiles reversed", {low, high}, {"JpgQuality=80", "WebpQuality=70"}},
                 {"name split at its space",
                  {"--profile=\"" + folder_.Path() + "my", "profile.ini\""},
                  {"JpgQuality=50"}},
                 {"error after a profile keeps it",
                  {high, "--profile=" + folder_ / "none.ini", "-q"},
                  {"JpgQuality=80", "WebpQuality=70", "error=Invalid profile file"}}};
    for (const Case& c : cases) {
        SetUp();
        auto before = Snapshot();
        DriverState state = RunOptionLoop(c.arguments);
        EXPECT_EQ(ChangesSince(before, &state), c.expected) << c.name;
    }
}

} // namespace
} // namespace velmora
