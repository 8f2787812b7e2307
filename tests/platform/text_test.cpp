#include "platform/text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace velmora {
namespace {

TEST(ParseIntegerTest, ReadsSignBaseAndLeadingDigitsAndLongKeepsLow32Bits) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    struct Case {
        const char* text;
        int64_t integer;
        int32_t low32;
    } cases[] = {{"12px", 12, 12},
                 {"abc", 0, 0},
                 {"$FF", 255, 255},
                 {"$ff", 255, 255},
                 {"%101", 5, 5},
                 {"-7", -7, -7},
                 {"  +3", 3, 3},
                 {"\t-$10", -16, -16},
                 {"-", 0, 0},
                 {"$", 0, 0},
                 {"%102", 2, 2},
                 {"- 5", 0, 0},
                 {"4294967297", 4294967297, 1},
                 {"4294967295", 4294967295, -1},
                 {"2147483648", 2147483648, kMin},
                 {"-2147483649", -2147483649, kMax}};
    for (const Case& c : cases) {
        EXPECT_EQ(ParseInteger(c.text), c.integer) << '"' << c.text << '"';
        EXPECT_EQ(ParseLong(c.text), c.low32) << '"' << c.text << '"';
    }
}

void ExpectReals(const char* locale) {
    struct Case {
        const char* text;
        double expected;
    } cases[] = {{"1.5", 1.5},
                 {"abc", 0},
                 {"2.", 2},
                 {".5", 0.5},
                 {"-.25", -0.25},
                 {"1,5", 1},
                 {" 3.75 ", 3.75},
                 {"1.2.3", 1.2},
                 {"+4", 4},
                 {"", 0},
                 {".", 0},
                 {"-", 0},
                 {"0.01x", 0.01},
                 {"+Infinity", std::numeric_limits<double>::infinity()},
                 {"-infinity", -std::numeric_limits<double>::infinity()},
                 {"+INFINITY", std::numeric_limits<double>::infinity()}};
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(ParseReal(c.text), c.expected) << '"' << c.text << "\" in " << locale;
    for (const char* text : {"NaN", "nan", "NAN"})
        EXPECT_TRUE(std::isnan(ParseReal(text))) << text << " in " << locale;
}

TEST(ParseRealTest, PointIsTheSeparatorAndInfinityAndNanAreKnown) {
    ExpectReals("C");
}

TEST(ParseRealTest, CommaDecimalLocaleDoesNotChangeTheSeparator) {
    std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE"})
        if (std::setlocale(LC_ALL, name)) {
            found = name;
            break;
        }
    if (!found)
        GTEST_SKIP() << "no comma-decimal locale installed";
    ExpectReals(found);
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(CaseMappingTest, MapsEachUnicodeCharacterAndPassesInvalidBytes) {
    struct Case {
        const char* text;
        const char* upper;
        const char* lower;
        const char* title;
    } cases[] = {{"mY_pIC", "MY_PIC", "my_pic", "My_pic"},
                 // ß has no one-character upper case, so it stays.
                 {"straße", "STRAßE", "straße", "Straße"},
                 {"ÉCOLE", "ÉCOLE", "école", "École"},
                 {"éCOLE", "ÉCOLE", "école", "École"},
                 {"ÿ", "Ÿ", "ÿ", "Ÿ"},
                 {"σοφία", "ΣΟΦΊΑ", "σοφία", "Σοφία"},
                 {"Привет", "ПРИВЕТ", "привет", "Привет"},
                 {"a\xFFz", "A\xFFZ", "a\xFFz", "A\xFFz"},
                 {"\xE9t\xE9", "\xE9T\xE9", "\xE9t\xE9", "\xE9t\xE9"},
                 {"x\xC3", "X\xC3", "x\xC3", "X\xC3"},
                 {"\xC0\xAFz", "\xC0\xAFZ", "\xC0\xAFz", "\xC0\xAFz"},
                 {"", "", "", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ToUpper(c.text), c.upper);
        EXPECT_EQ(ToLower(c.text), c.lower);
        EXPECT_EQ(ToTitle(c.text), c.title);
    }
}

TEST(CaseMappingTest, EqualsAndFindIgnoreCase) {
    EXPECT_TRUE(EqualsIgnoreCase("CLI", "cli"));
    EXPECT_TRUE(EqualsIgnoreCase("Été", "éTÉ"));
    EXPECT_FALSE(EqualsIgnoreCase("CLI", "CLI "));

    constexpr size_t npos = std::string_view::npos;
    struct Case {
        const char* text;
        const char* needle;
        size_t from;
        size_t expected;
    } cases[] = {{"Hello World", "WORLD", 0, 6},
                 {"%S1% and %s1%", "%s1%", 0, 0},
                 {"%S1% and %s1%", "%s1%", 1, 9},
                 {"abc", "d", 0, npos},
                 {"abc", "ABC", 1, npos},
                 {"Été été", "ÉTÉ", 1, 6},
                 // ı upper-cases to the one-byte I: positions must still count the original bytes.
                 {"ıx X", "x", 0, 2},
                 {"ıx X", "X", 3, 4}};
    for (const Case& c : cases)
        EXPECT_EQ(FindIgnoreCase(c.text, c.needle, c.from), c.expected)
            << c.text << " / " << c.needle << " from " << c.from;
}

TEST(DecodeTextFileBytesTest, MarkDroppedUtf8KeptElseLatin1) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string expected;
    } cases[] = {{"mark dropped", "\xEF\xBB\xBF[CLI]", "[CLI]"},
                 {"mark alone", "\xEF\xBB\xBF", ""},
                 {"mark then UTF-8", "\xEF\xBB\xBF[caf\xC3\xA9", "[caf\xC3\xA9"},
                 {"valid UTF-8", "caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},
                 {"Latin-1", "caf\xE9", "caf\xC3\xA9"},
                 {"Latin-1 pair", "\xFF\xFE", "\xC3\xBF\xC3\xBE"},
                 {"overlong form is not UTF-8", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
                 {"surrogate is not UTF-8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},
                 {"cut sequence is not UTF-8", "a\xC3", "a\xC3\x83"},
                 {"ASCII", "plain", "plain"},
                 {"empty", "", ""}};
    for (const Case& c : cases)
        EXPECT_EQ(DecodeTextFileBytes(c.bytes), c.expected) << c.name;
}

// Temporary file names are cut to fit; a cut never leaves half a character.
TEST(Utf8PrefixTest, NeverCutsACharacterInTwo) {
    const std::string text = "a\xC3\xA9\xE5\x86\x99"; // a, then two and three bytes
    const size_t kept[] = {0, 1, 1, 3, 3, 3, 6, 6};   // for 0 to 7 bytes
    for (size_t most = 0; most < 8; ++most)
        EXPECT_EQ(Utf8Prefix(text, most), text.substr(0, kept[most])) << most;
}

} // namespace
} // namespace velmora
