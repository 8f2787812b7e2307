#include "engine/name_mask.h"

#include "engine/batch_driver.h"
#include "platform/paths.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <string>

namespace velmora {
namespace {

class NameMask : public ::testing::Test {
protected:
    void SetUp() override {
        SettingsDefaults(true);
        facts = {.inputFile = "/photos/IMG_0001.CR2",
                 .conversionType = "tiff",
                 .bpp = 24,
                 .width = 640,
                 .height = 480,
                 .frame = 1,
                 .randomNumber = 42,
                 .fileCounter = 1};
    }
    NameFacts facts;
};

struct MaskCase {
    const char* label;
    const char* mask;
    const char* inputFile;
    std::function<void(NameFacts&)> tweak; // may be empty
    const char* expected;
};

TEST_F(NameMask, ExpandsEveryPlaceholder) {
    const MaskCase cases[] = {
        {"base name", "%filename%", "/photos/IMG_0001.CR2", {}, "IMG_0001"},
        {"base name upper", "%filename[u]%", "/p/mY_pIC.dng", {}, "MY_PIC"},
        {"base name lower", "%filename[l]%", "/p/mY_pIC.dng", {}, "my_pic"},
        {"base name title", "%filename[t]%", "/p/mY_pIC.dng", {}, "My_pic"},
        {"a backslash is part of the name", "%filename%", "/in/a\\dsc.nef", {}, "a\\dsc"},
        {"extension", "%ext%", "/p/a.nef", {}, "tiff"},
        {"extension upper", "%ext[u]%", "/p/a.nef", {}, "TIFF"},
        {"extension title", "%ext[t]%", "/p/a.nef", {}, "Tiff"},
        {"no lower-case extension placeholder", "%ext[l]%", "/p/a.nef", {}, "%ext[l]%"},
        {"extension as stored", "%ext%", "/p/a.nef",
         [](NameFacts& f) { f.conversionType = "TiFF"; }, "TiFF"},
        {"depth", "%bpp%", "/p/a.nef", [](NameFacts& f) { f.bpp = 48; }, "48"},
        {"depth not zero-filled", "%bpp%", "/p/a.nef", [](NameFacts& f) { f.bpp = 1; }, "1"},
        {"size", "%width%x%height%", "/p/a.nef", {}, "640x480"},
        {"frame", "%frame%", "/p/a.nef", {}, "1"},
        {"random number zero-filled", "%rnd%", "/p/a.nef", {}, "00042"},
        {"random number of five digits", "%rnd%", "/p/a.nef",
         [](NameFacts& f) { f.randomNumber = 99999; }, "99999"},
        {"counter zero-filled", "%n%", "/p/a.nef", [](NameFacts& f) { f.fileCounter = 7; },
         "00007"},
        {"counter of six digits cut", "%n%", "/p/a.nef",
         [](NameFacts& f) { f.fileCounter = 100000; }, "10000"},
        {"counter of six digits keeps its first five", "%n%", "/p/a.nef",
         [](NameFacts& f) { f.fileCounter = 123456; }, "12345"},
        {"every occurrence", "%n%-%n%", "/p/a.nef", {}, "00001-00001"},
        {"placeholders in any case", "%FILENAME%.%Ext%", "/p/dsc1.nef", {}, "dsc1.tiff"},
        {"literal text lowered, values keep their case",
         "Photo-%FILENAME[U]%-%n%.%EXT%",
         "/p/dsc1.nef",
         {},
         "photo-DSC1-00001.tiff"},
        {"empty mask", "", "/photos/IMG_0001.CR2", {}, "IMG_0001.tiff"},
        {"mask without extension", "%filename%", "/photos/IMG_0001.CR2", {}, "IMG_0001"},
        {"unknown placeholder stays", "%foo%-%filename%", "/p/a.nef", {}, "%foo%-a"},
        {"single percent stays", "100%%n%", "/p/a.nef", {}, "100%00001"},
        {"name holding a later placeholder", "%filename%", "/p/x%n%.cr2", {}, "x00001"},
        {"name holding an earlier placeholder",
         "%filename%",
         "/p/%filename%.cr2",
         {},
         "%filename%"},
        // The mask decides which placeholders are looked for, in lower case; the name's
        // upper-case copy is expanded only when the mask itself asks for %n%.
        {"name holding an upper-case placeholder", "%filename%", "/p/x%N%.cr2", {}, "x%N%"},
        {"same name with %n% in the mask", "%filename%-%n%", "/p/x%N%.cr2", {}, "x00001-00001"},
    };
    for (const MaskCase& c : cases) {
        SCOPED_TRACE(c.label);
        SetUp();
        facts.inputFile = c.inputFile;
        if (c.tweak)
            c.tweak(facts);
        EXPECT_EQ(ExpandNameMask(c.mask, facts), c.expected);
    }
}

TEST_F(NameMask, DatePlaceholdersShowTheLocalClock) {
    struct Case {
        const char* placeholder;
        const char* format; // strftime form of the same field
    };
    const Case cases[] = {
        {"%yyyy%", "%Y"}, {"%mm%", "%m"}, {"%dd%", "%d"},
        {"%hh%", "%H"},   {"%ii%", "%M"}, {"%ss%", "%S"},
    };
    auto now = [](const char* format) {
        std::time_t seconds = std::time(nullptr);
        std::tm local{};
        localtime_r(&seconds, &local);
        char buffer[32];
        std::strftime(buffer, sizeof buffer, format, &local);
        return std::string(buffer);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.placeholder);
        std::string mask = std::string("[") + c.placeholder + "]";
        std::string before = "[" + now(c.format) + "]";
        std::string name = ExpandNameMask(mask, facts);
        std::string after = "[" + now(c.format) + "]";
        // A second may pass between the readings.
        EXPECT_TRUE(name == before || name == after) << name << " vs " << before << "/" << after;
    }
}

TEST_F(NameMask, OutputPathKeepsTheSubfolderOnlyWhenAsked) {
    struct Case {
        int keepSubfolders;
        const char* relativeSubfolder;
        const char* expected;
    };
    const Case cases[] = {
        {1, "2021/trip/", "/out/2021/trip/IMG_0001.tiff"},
        {0, "2021/trip/", "/out/IMG_0001.tiff"},
        {1, "", "/out/IMG_0001.tiff"},
    };
    for (const Case& c : cases) {
        gSettings.KeepSubfolders = static_cast<int8_t>(c.keepSubfolders);
        EXPECT_EQ(BuildOutputPath("/out/", c.relativeSubfolder, gSettings, facts), c.expected)
            << c.keepSubfolders << " " << c.relativeSubfolder;
    }
}

TEST(BaseNameWithoutExtension, CutsOnlyARealExtension) {
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"IMG_0001.CR2", "IMG_0001"}, {"a.b.nef", "a.b"}, {"name.", "name"},
        {".hidden", ".hidden"},       {"a. b", "a. b"},   {".x.cr2", ".x"},
        {"noext", "noext"},           {"", ""},           {"x%n%.cr2", "x%n%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BaseNameWithoutExtension(c.name), c.expected) << '"' << c.name << '"';
}

TEST_F(NameMask, ReplacePlaceholderLeavesUnknownPlaceholdersAlone) {
    struct Case {
        const char* text;
        const char* placeholder;
        const char* expected;
    };
    const Case cases[] = {
        {"a-%N%-b", "%n%", "a-00001-b"},
        {"a-%n%-b", "%N%", "a-00001-b"},
        {"a-%eol%-b", "%eol%", "a-%eol%-b"},
        {"%ext[l]%", "%ext[l]%", "%ext[l]%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplacePlaceholder(c.text, c.placeholder, facts), c.expected) << c.text;
}

TEST_F(NameMask, WatermarkTextKeepsItsLiteralCase) {
    auto year = [] {
        std::time_t seconds = std::time(nullptr);
        std::tm local{};
        localtime_r(&seconds, &local);
        return std::to_string(local.tm_year + 1900);
    };
    // "{Y}" in an expectation stands for the current year.
    auto withYear = [](std::string text, const std::string& value) {
        for (size_t at; (at = text.find("{Y}")) != std::string::npos;)
            text.replace(at, 3, value);
        return text;
    };
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"50% off", "50% off"},
        {"%n", "%n"},
        {"%yyyy%", "{Y}"},
        {"Shot %FILENAME% by ACME", "Shot IMG_0001 by ACME"},
        {"Line one%eol%Line TWO", "Line one%eol%Line TWO"},
        {"(C) %Yyyy% Me%eol%%ext[U]%", "(C) {Y} Me%eol%TIFF"},
        {"100% of %N%", "100% of 00001"},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::string before = year();
        std::string text = ExpandWatermarkText(c.text, facts);
        std::string after = year();
        EXPECT_TRUE(text == withYear(c.expected, before) || text == withYear(c.expected, after))
            << '"' << c.text << "\" gave \"" << text << '"';
    }
}

} // namespace
} // namespace velmora
