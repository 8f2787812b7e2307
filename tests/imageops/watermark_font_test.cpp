#include "imageops/drawn/watermark_font.h"

#include "settings/keywords.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace velmora {
namespace {

TEST(PointsToPixels, ConvertsAtNinetySixDotsPerInch) {
    struct Case {
        int points, pixels;
    };
    const Case cases[] = {{12, 16}, {9, 12}, {10, 13}, {11, 15}, {14, 19},
                          {72, 96}, {1, 1},  {0, 0},   {3, 4}};
    for (const Case& c : cases)
        EXPECT_EQ(PointsToPixels(c.points), c.pixels) << c.points;
}

TEST(ResolveWatermarkFont, FindsFacesAndTheirAliases) {
    struct Case {
        const char* face;
        const char* family; // nullptr: refused
    };
    const Case cases[] = {
        {"Arial", "Liberation Sans"},
        {"arial", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
        {"DejaVu Sans", "DejaVu Sans"},
        {"Liberation Serif", "Liberation Serif"},
        {"Velmora No Such Face", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face);
        auto font = ResolveWatermarkFont(c.face, 14, FontStyle::Regular, FontEffect::None);
        if (!c.family) {
            EXPECT_FALSE(font.has_value()) << font->family;
            continue;
        }
        ASSERT_TRUE(font.has_value());
        EXPECT_EQ(font->family, c.family);
        EXPECT_EQ(font->requestedFace, c.face);
        EXPECT_TRUE(std::filesystem::is_regular_file(font->file)) << font->file;
    }
}

TEST(ResolveWatermarkFont, RefusesSizesNoRasterCouldHold) {
    struct Case {
        int points;
        bool accepted;
    };
    const Case cases[] = {{0, false}, {-1, false}, {-14, false}, {100000, false},
                          {1, true},  {14, true},  {200, true}};
    for (const Case& c : cases) {
        auto font =
            ResolveWatermarkFont("DejaVu Sans", c.points, FontStyle::Regular, FontEffect::None);
        EXPECT_EQ(font.has_value(), c.accepted) << c.points;
        if (font) {
            EXPECT_EQ(font->pointSize, c.points);
            EXPECT_EQ(font->pixelSize, PointsToPixels(c.points));
        }
    }
}

TEST(ResolveWatermarkFont, StyleAndEffectChooseTheFontAndFlags) {
    struct Case {
        int style, effect;
        bool bold, italic, underline, strikeout;
        const char* fileHas; // part of the font file's name
    };
    const Case cases[] = {
        {ValueOf(FontStyle::Regular), ValueOf(FontEffect::None), false, false, false, false,
         "Regular"},
        {ValueOf(FontStyle::Bold), ValueOf(FontEffect::None), true, false, false, false, "-Bold."},
        {ValueOf(FontStyle::Italic), ValueOf(FontEffect::Underline), false, true, true, false,
         "-Italic."},
        {ValueOf(FontStyle::BoldItalic), ValueOf(FontEffect::Strikethrough), true, true, false,
         true, "-BoldItalic."},
        {ValueOf(FontStyle::Regular), ValueOf(FontEffect::Strikethrough), false, false, false, true,
         "Regular"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.style) + "/" + std::to_string(c.effect));
        auto font = ResolveWatermarkFont("Arial", 20, ChoiceOf<FontStyle>(c.style),
                                         ChoiceOf<FontEffect>(c.effect));
        ASSERT_TRUE(font.has_value());
        EXPECT_EQ(font->bold, c.bold);
        EXPECT_EQ(font->italic, c.italic);
        EXPECT_EQ(font->underline, c.underline);
        EXPECT_EQ(font->strikeout, c.strikeout);
        EXPECT_NE(font->file.find(c.fileHas), std::string::npos) << font->file;
    }
}

TEST(WatermarkFontSlot, HoldsTheLastLoadedFontUntilFreed) {
    FreeWatermarkFont();
    EXPECT_EQ(LoadedWatermarkFont(), nullptr);

    ASSERT_TRUE(LoadWatermarkFont("DejaVu Sans", 12, FontStyle::Bold, FontEffect::Strikethrough));
    const WatermarkFont* font = LoadedWatermarkFont();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->family, "DejaVu Sans");
    EXPECT_EQ(font->pointSize, 12);
    EXPECT_EQ(font->pixelSize, 16);
    EXPECT_TRUE(font->bold);
    EXPECT_TRUE(font->strikeout);

    ASSERT_TRUE(LoadWatermarkFont("Arial", 10, FontStyle::Regular, FontEffect::None));
    ASSERT_NE(LoadedWatermarkFont(), nullptr);
    EXPECT_EQ(LoadedWatermarkFont()->family, "Liberation Sans");

    // A failed load leaves no earlier font behind for the text layer to use.
    EXPECT_FALSE(
        LoadWatermarkFont("Velmora No Such Face", 10, FontStyle::Regular, FontEffect::None));
    EXPECT_EQ(LoadedWatermarkFont(), nullptr);

    ASSERT_TRUE(LoadWatermarkFont("Arial", 10, FontStyle::Regular, FontEffect::None));
    FreeWatermarkFont();
    EXPECT_EQ(LoadedWatermarkFont(), nullptr);
}

} // namespace
} // namespace velmora
