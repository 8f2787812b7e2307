#include "imageops/drawn/text_layer.h"

#include "imageops/drawn/drawing.h"
#include "imageops/drawn/watermark_font.h"
#include "settings/keywords.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora {
namespace {

// The text layer's request as the settings make it.
TextWatermark TextOf(std::string text) {
    return WatermarkRequestFrom(gSettings, std::move(text)).text;
}

Rgba RgbaAt(FIBITMAP* bitmap, int x, int y) {
    const BYTE* p = FreeImage_GetScanLine(bitmap, FreeImage_GetHeight(bitmap) - 1 - y) + x * 4;
    return {p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE], p[FI_RGBA_ALPHA]};
}

class TextLayer : public ::testing::Test {
protected:
    void SetUp() override { UseFont(12); }
    void TearDown() override { FreeWatermarkFont(); }
    void UseFont(int points) {
        SettingsDefaults(true);
        ASSERT_TRUE(LoadWatermarkFont("DejaVu Sans", points, FontStyle::Regular, FontEffect::None));
        auto font = Font::Open("DejaVu Sans", PointsToPixels(points), false, false, false, false);
        hello = MeasureText(*font, "Hello", TextMode::kRaster);
        i = MeasureText(*font, "i", TextMode::kRaster);
    }
    TextExtent hello, i;
};

TEST_F(TextLayer, SizesTheBlockFromLinesLeadingAndPadding) {
    struct Case {
        const char* text;
        int padding, leading, width, height; // 0: no block can be made
    };
    int w = hello.width, h = hello.height;
    const Case cases[] = {
        {"Hello", 7, 20, w + 14, h + 14},
        {"Hell%EOL%Hello", 0, 4, w, h + h + 4},
        {"Hello%eol%Hello%eOl%Hello", 3, -2, w + 6, 3 * h - 4 + 6},
        {"", 0, 0, 0, 0},
        {"Hi", -40, 0, 0, 0},
        {"a%eol%b", 0, -1000, 0, 0},
        {"a%eol%b", 0, INT32_MAX, 0, 0},
    };
    for (const Case& c : cases) {
        gSettings.TextPadding = c.padding;
        gSettings.FontLeading = c.leading;
        Picture layer = BuildTextLayer(TextOf(c.text));
        ASSERT_EQ(layer != nullptr, c.width != 0) << c.text;
        EXPECT_EQ(PictureWidth(layer), c.width) << c.text;
        EXPECT_EQ(PictureHeight(layer), c.height) << c.text;
    }
    // Several lines are at least ten pixels wide and high; a single one is not.
    UseFont(4);
    ASSERT_TRUE(i.width < 10 && i.height < 10);
    EXPECT_EQ(PictureWidth(BuildTextLayer(TextOf("i"))), i.width);
    EXPECT_EQ(PictureWidth(BuildTextLayer(TextOf("i%eol%i"))), 10);
    EXPECT_EQ(PictureHeight(BuildTextLayer(TextOf("i%eol%i"))), 20);
    FreeWatermarkFont();
    EXPECT_FALSE(BuildTextLayer(TextOf("Hello")));
}

// Leftmost and rightmost columns of one colour in a band of rows.
std::pair<int, int> InkColumns(FIBITMAP* layer, Rgba ink, int top, int bottom) {
    int left = INT32_MAX, right = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < static_cast<int>(FreeImage_GetWidth(layer)); ++x)
            if (RgbaAt(layer, x, y) == ink)
                left = std::min(left, x), right = std::max(right, x);
    return {left, right};
}

TEST_F(TextLayer, RasterTextHoldsExactlyTheTwoColoursAligned) {
    const Rgba text{255, 0, 0, 200}, back{0, 0, 255, 60};
    gSettings.FontColor = "FF0000", gSettings.TextOpacity = 200;
    gSettings.BackColor = "0000FF", gSettings.BackOpacity = 60;
    gSettings.TextPadding = 5;
    int h = hello.height;
    for (int alignment : {0, 1, 2}) {
        gSettings.TextAlignment = static_cast<int8_t>(alignment);
        Picture layer = BuildTextLayer(TextOf("MMMM%eol%MM"));
        int width = PictureWidth(layer);
        for (int y = 0; y < PictureHeight(layer); ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_TRUE(RgbaAt(layer.get(), x, y) == text || RgbaAt(layer.get(), x, y) == back);
        auto [wideLeft, wideRight] = InkColumns(layer.get(), text, 5, 5 + h);
        auto [left, right] = InkColumns(layer.get(), text, 5 + h, 5 + 2 * h);
        EXPECT_NEAR(wideLeft, 5, 2);
        EXPECT_NEAR(wideRight, width - 6, 2);
        // Off by: LEFT from the padding, CENTER from the middle, RIGHT from the padding.
        const int miss[] = {left - 5, left + right - (width - 1), right - (width - 6)};
        EXPECT_NEAR(miss[alignment], 0, 2) << alignment;
    }
    // A single line starts at the padding whatever the alignment.
    EXPECT_NEAR(InkColumns(BuildTextLayer(TextOf("MM")).get(), text, 0, 5 + h).first, 5, 2);
}

TEST_F(TextLayer, AntialiasedTextLiesOverTheBoxAtTheTwoOpacities) {
    for (auto [textOpacity, backOpacity] : {std::pair{255, 90}, {128, 255}}) {
        gSettings.TextAntialiasing = 1;
        gSettings.FontColor = "FFFFFF", gSettings.BackColor = "000000";
        gSettings.TextOpacity = textOpacity, gSettings.BackOpacity = backOpacity;
        Picture layer = BuildTextLayer(TextOf("Wave%eol%Ok"));
        ASSERT_TRUE(layer);
        EXPECT_EQ(RgbaAt(layer.get(), 0, 0), (Rgba{0, 0, 0, static_cast<uint8_t>(backOpacity)}));
        // Full coverage is white at TextOpacity over black at BackOpacity; edges lie between.
        double a = textOpacity / 255.0, b = backOpacity / 255.0;
        int most = 0, alpha = 0, between = 0;
        for (int y = 0; y < PictureHeight(layer); ++y)
            for (int x = 0; x < PictureWidth(layer); ++x) {
                Rgba p = RgbaAt(layer.get(), x, y);
                int white = p.red * p.alpha / 255;
                if (white > most)
                    most = white, alpha = p.alpha;
                between += white > 2 && white < 255 * a - 2;
            }
        EXPECT_NEAR(most, 255 * a, 2) << textOpacity;
        EXPECT_NEAR(alpha, std::lround(255 * (a + b * (1 - a))), 1);
        EXPECT_GT(between, 10);
    }
}

} // namespace
} // namespace velmora
