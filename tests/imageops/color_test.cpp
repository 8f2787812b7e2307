#include "imageops/color.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(ParseHexColor, ReadsSixDigitsAndTurnsAnythingElseBlack) {
    struct Case {
        const char* text;
        int alpha;
        Rgba expected;
    };
    const Case cases[] = {
        {"FF0000", 255, {255, 0, 0, 255}},
        {"ff8000", 255, {255, 128, 0, 255}},
        {"00fFA0", 255, {0, 255, 160, 255}},
        {"1G2H3I", 255, {1, 2, 3, 255}},
        {"G00000", 255, {0, 0, 0, 255}},
        {"FFG0FF", 255, {255, 0, 255, 255}},
        {"FFF", 255, {0, 0, 0, 255}},
        {"FF00000", 255, {0, 0, 0, 255}},
        {"", 255, {0, 0, 0, 255}},
        {"FF\xC3\xA9"
         "0FF",
         255,
         {255, 0, 255, 255}},
        {"FF0000", 128, {255, 0, 0, 128}},
        {"00FF00", -5, {0, 255, 0, 0}},
        {"0000FF", 300, {0, 0, 255, 255}},
    };
    for (const Case& c : cases) {
        Rgba colour = ParseHexColorAlpha(c.text, c.alpha);
        EXPECT_EQ(colour, c.expected) << c.text << " " << c.alpha;
        if (c.alpha == 255) {
            EXPECT_EQ(ParseHexColor(c.text), c.expected) << c.text;
        }
    }
}

} // namespace
} // namespace velmora
