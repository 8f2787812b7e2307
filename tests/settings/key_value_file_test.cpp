#include "settings/key_value_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <vector>

namespace velmora {
namespace {

// A parsed text written out as "[group]" and "key=value" lines, one per entry.
std::vector<std::string> Flatten(const KeyValueText& text) {
    std::vector<std::string> lines;
    for (const KeyValueGroup& group : text.groups) {
        lines.push_back("[" + group.name + "]");
        for (const KeyValueLine& line : group.lines)
            lines.push_back(line.key + "=" + line.value);
    }
    return lines;
}

TEST(ParseKeyValueTextTest, LinesGroupsKeysAndValues) {
    using Lines = std::vector<std::string>;
    struct Case {
        const char* name;
        const char* text;
        Lines expected;
    } cases[] = {
        {"comments and empty lines", "[A]\n; note\n\n   ; indented note\nk=v\n\n", {"[A]", "k=v"}},
        {"leading spaces and tabs", " \t[A]\n\t  k=v", {"[A]", "k=v"}},
        {"CR line ends", "[A]\rk=v\rj=w", {"[A]", "k=v", "j=w"}},
        {"CR LF line ends", "[A]\r\nk=v\r\n\r\nj=w\r\n", {"[A]", "k=v", "j=w"}},
        {"group name to the first ]", "[My Group] tail]\nk=v", {"[My Group]", "k=v"}},
        {"key and value trimmed", "[A]\nkey \t=\t  two words \t ", {"[A]", "key=two words"}},
        {"value keeps later =", "[A]\nk = a=b = c", {"[A]", "k=a=b = c"}},
        {"value keeps quotes", "[A]\nk = \"q\"", {"[A]", "k=\"q\""}},
        {"empty value", "[A]\nk =", {"[A]", "k="}},
        {"line without =", "[A]\n  --FLIP-VERTICAL  ", {"[A]", "--FLIP-VERTICAL="}},
        {"lines before the first group dropped", "k=0\n; c\n[A]\nk=1", {"[A]", "k=1"}},
        {"same group twice", "[A]\nk=1\n[a]\nk=2", {"[A]", "k=1", "[a]", "k=2"}},
        {"empty group", "[A]\n[B]\nk=v", {"[A]", "[B]", "k=v"}},
        {"no groups", "k=v\nj=w", {}},
        {"empty text", "", {}}};
    for (const Case& c : cases)
        EXPECT_EQ(Flatten(ParseKeyValueText(c.text)), c.expected) << c.name;
}

TEST(ParseKeyValueTextTest, FindGroupIgnoresCaseAndTakesTheFirst) {
    KeyValueText text = ParseKeyValueText("[Other]\nk=0\n[cli]\nk=1\n[CLI]\nk=2\n");
    struct Case {
        const char* name;
        const char* expectedValue; // nullptr: no such group
    } cases[] = {{"CLI", "1"}, {"Cli", "1"}, {"other", "0"}, {"Missing", nullptr}, {"", nullptr}};
    for (const Case& c : cases) {
        const KeyValueGroup* group = FindGroup(text, c.name);
        if (!c.expectedValue) {
            EXPECT_EQ(group, nullptr) << c.name;
            continue;
        }
        ASSERT_NE(group, nullptr) << c.name;
        ASSERT_EQ(group->lines.size(), 1u) << c.name;
        EXPECT_EQ(group->lines[0].value, c.expectedValue) << c.name;
    }
}

TEST(ReadKeyValueFileTest, DecodesEachEncoding) {
    testing::TempFolder folder;
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> expected;
    } cases[] = {
        {"UTF-8 with mark", "\xEF\xBB\xBF[CLI]\r\nk=caf\xC3\xA9\r\n", {"[CLI]", "k=caf\xC3\xA9"}},
        {"UTF-8 without mark", "[CLI]\nk=caf\xC3\xA9\n", {"[CLI]", "k=caf\xC3\xA9"}},
        {"Latin-1", "[CLI]\nk=caf\xE9\n", {"[CLI]", "k=caf\xC3\xA9"}},
        {"empty", "", {}}};
    for (const Case& c : cases) {
        const std::string path = folder / c.name;
        testing::WriteFile(path, c.bytes);
        auto text = ReadKeyValueFile(path);
        ASSERT_TRUE(text) << c.name;
        EXPECT_EQ(Flatten(*text), c.expected) << c.name;
    }
    std::filesystem::create_directory(folder / "sub");
    EXPECT_FALSE(ReadKeyValueFile(folder / "missing.ini"));
    EXPECT_FALSE(ReadKeyValueFile(folder / "sub"));
    EXPECT_FALSE(ReadKeyValueFile(""));
}

TEST(KeyValueLookupTest, ValuesByKeyIgnoringCase) {
    KeyValueText text = ParseKeyValueText("[G]\nN = 12\nn = 99\nR = -Infinity\nT = two words\n");
    const KeyValueGroup* group = FindGroup(text, "g");
    EXPECT_EQ(IntegerValue(group, "n", 5), 12) << "the first line of a key counts";
    EXPECT_EQ(IntegerValue(group, "missing", 5), 5);
    EXPECT_EQ(IntegerValue(nullptr, "N", 7), 7);
    EXPECT_EQ(RealValue(group, "r", 1.0), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(RealValue(group, "missing", 1.5), 1.5);
    EXPECT_EQ(TextValue(group, "T", "x"), "two words");
    EXPECT_EQ(TextValue(group, "missing", "x"), "x");
}

TEST(KeyValueLookupTest, IntegersByTheDecimalRule) {
    struct Case {
        const char* value;
        int32_t expected;
    } cases[] = {{"42", 42},
                 {"-7x", -7},
                 {"+3", 3},
                 {"abc", 0},
                 {"", 0},
                 {"1.9", 1},
                 {"$10", 0},
                 {"2147483647", 2147483647},
                 {"99999999999", 2147483647},
                 {"-2147483648", -2147483647 - 1},
                 {"-99999999999", -2147483647 - 1}};
    for (const Case& c : cases) {
        KeyValueText text = ParseKeyValueText(std::string("[G]\nk = ") + c.value);
        EXPECT_EQ(IntegerValue(FindGroup(text, "G"), "k", 123), c.expected) << c.value;
    }
}

TEST(KeyValueWriterTest, ValuesAsWritten) {
    struct Case {
        double value;
        const char* expected;
    } reals[] = {{1.0, "1.000000"},
                 {-2.25, "-2.250000"},
                 {0.1234567, "0.123457"},
                 {1e-7, "0.000000"},
                 {12345.5, "12345.500000"},
                 {std::numeric_limits<double>::infinity(), "+Infinity"},
                 {-std::numeric_limits<double>::infinity(), "-Infinity"},
                 {std::nan(""), "NaN"}};
    for (const Case& c : reals)
        EXPECT_EQ(FormatRealValue(c.value), c.expected) << c.expected;
    EXPECT_EQ(FormatIntegerValue(-5), "-5");
    EXPECT_EQ(FormatIntegerValue(2147483647), "2147483647");
}

TEST(KeyValueWriterTest, WrittenFormAndItsReadingBack) {
    KeyValueText text;
    text.groups = {
        {"A", {{"k", "v"}, {"Two Words", "caf\xC3\xA9 = x"}}}, {"Empty", {}}, {"B", {{"n", ""}}}};
    const std::string written = FormatKeyValueText(text);
    EXPECT_EQ(written, "\xEF\xBB\xBF\r\n[A]\r\nk = v\r\nTwo Words = caf\xC3\xA9 = x\r\n; \r\n"
                       "[Empty]\r\n; \r\n[B]\r\nn = \r\n; \r\n");
    EXPECT_EQ(Flatten(ParseKeyValueText(written.substr(3))), Flatten(text));

    KeyValueText broken;
    broken.groups = {{"A", {{"k", "one\r\n[B]\nk = two"}}}};
    EXPECT_EQ(Flatten(ParseKeyValueText(FormatKeyValueText(broken))),
              (std::vector<std::string>{"[A]", "k=one  [B] k = two"}));
}

} // namespace
} // namespace velmora
