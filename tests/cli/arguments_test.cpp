#include "cli/arguments.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(ArgumentsTest, SplitsOptionWordAndValue) {
    struct Case {
        const char* argument;
        const char* name;
        const char* value;
    } cases[] = {{"-i", "-I", "-i"},
                 {"  -i  ", "-I", "-i"},
                 {"-q=1", "-Q=1", "-q=1"},
                 {"-=x", "-=X", "-=x"},
                 {"--jpg-quality=95", "--JPG-QUALITY", "95"},
                 {"--Flip-Horizontal", "--FLIP-HORIZONTAL", "--Flip-Horizontal"},
                 {"--a=b=c", "--A", "b=c"},
                 {"--=x", "--", "x"},
                 {"--wm-text=", "--WM-TEXT", ""},
                 {"  --wm-text= Two Words  ", "--WM-TEXT", " Two Words"},
                 {"--wm-text=Keep Case", "--WM-TEXT", "Keep Case"},
                 {"--\xC3\xA9t\xC3\xA9=\xC3\xBC", "--\xC3\x89T\xC3\x89", "\xC3\xBC"},
                 {"plain", "", "plain"},
                 {"  c:\\tmp  ", "", "c:\\tmp"},
                 // Only spaces are trimmed, so a tab keeps the dash from leading.
                 {"\t-i", "", "\t-i"},
                 {"", "", ""}};
    for (const Case& c : cases) {
        const Arguments arguments = {"first", c.argument, "last"};
        EXPECT_EQ(OptionName(arguments, 1), c.name) << '"' << c.argument << '"';
        EXPECT_EQ(OptionValue(arguments, 1), c.value) << '"' << c.argument << '"';
    }
}

TEST(ArgumentsTest, IndexBeyondTheLastArgumentIsEmpty) {
    for (const Arguments& arguments : {Arguments{}, Arguments{"-i"}, Arguments{"-i", "a.raw"}}) {
        EXPECT_EQ(OptionName(arguments, arguments.size()), "");
        EXPECT_EQ(OptionValue(arguments, arguments.size()), "");
        EXPECT_EQ(OptionValue(arguments, arguments.size() + 5), "");
    }
}

} // namespace
} // namespace velmora
