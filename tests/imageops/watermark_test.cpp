#include "imageops/drawn/watermark.h"

#include "imageops/drawn/png_io.h"
#include "imageops/drawn/watermark_font.h"
#include "settings/keywords.h"
#include "settings/settings.h"
#include "support/pictures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace velmora {
namespace {

using testing::MakePicture;
using testing::PixelAt;
using testing::Rgb;

const Rgb kGrey{128, 128, 128}, kRed{255, 0, 0};

// The request the settings make, with no text.
WatermarkRequest Request() {
    return WatermarkRequestFrom(gSettings, "");
}

// The other kind's fields hold values that would show if they were read.
void SetPlacement(int kind, int position, int xOffset, int yOffset, int boundary = 0) {
    SettingsDefaults(true);
    Settings& s = gSettings;
    s.DoWatermark = static_cast<int8_t>(kind);
    s.TextPosition = s.ImagePosition = 0;
    s.TextXOffset = s.TextYOffset = s.ImageXOffset = s.ImageYOffset = 1000;
    (kind == 1 ? s.TextPosition : s.ImagePosition) = static_cast<int8_t>(position);
    (kind == 1 ? s.TextXOffset : s.ImageXOffset) = xOffset;
    (kind == 1 ? s.TextYOffset : s.ImageYOffset) = yOffset;
    (kind == 1 ? s.TextBoundary : s.ImageBoundary) = static_cast<int8_t>(boundary);
}

TEST(WatermarkPosition, AnchorsAtNinePositionsInTheImageOrFrameArea) {
    struct Case {
        int position;
        LayerPosition image, frame; // 30 × 20 layer in 200 × 100; frame 7, 3, 11, 9
    };
    const Case cases[] = {
        {0, {10, 5}, {17, 16}},  {1, {85, 5}, {87, 16}},  {2, {160, 5}, {157, 16}},
        {3, {10, 40}, {17, 41}}, {4, {85, 40}, {87, 41}}, {5, {160, 40}, {157, 41}},
        {6, {10, 75}, {17, 66}}, {7, {85, 75}, {87, 66}}, {8, {160, 75}, {157, 66}},
        {9, {0, 0}, {7, 11}},
    };
    for (int kind : {1, 2})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(kind) + "/" + std::to_string(c.position));
            SetPlacement(kind, c.position, 10, 5, 1);
            EXPECT_EQ(WatermarkPosition(Request(), 200, 100, 30, 20),
                      c.image); // FRAME without a frame
            Settings& s = gSettings;
            s.DoFrame = 1, s.SolidLeft = 7, s.SolidRight = 3, s.SolidTop = 11, s.SolidBottom = 9;
            EXPECT_EQ(WatermarkPosition(Request(), 200, 100, 30, 20), c.frame);
        }
    // Halves truncate toward zero when the layer is larger than the area.
    SetPlacement(1, 4, 10, 10);
    EXPECT_EQ(WatermarkPosition(Request(), 20, 10, 25, 17), (LayerPosition{-2, -3}));
}

// Four quadrants of different colours, 32 bits with alpha.
Picture Quadrants(int width, int height) {
    return Picture(FreeImage_ConvertTo32Bits(
        MakePicture(width, height, [&](int x, int y) {
            return Rgb{x < width / 2 ? 255 : 0, y < height / 2 ? 255 : 0, 60};
        }).get()));
}

TEST(FitWatermark, KeepsTheTopLeftPartThatFits) {
    struct Case {
        int xOffset, yOffset, boundary, width, height; // 0: none left
    };
    const Case cases[] = {
        {-30, -5, 0, 50, 40}, {70, 80, 0, 30, 20}, {60, 10, 1, 30, 40}, {10, 150, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.xOffset) + "," + std::to_string(c.yOffset));
        SetPlacement(2, 8, c.xOffset, c.yOffset, c.boundary);
        gSettings.DoFrame = 1, gSettings.SolidLeft = 5, gSettings.SolidRight = 5;
        Picture fitted = FitWatermark(Quadrants(50, 40), Request(), 100, 100, 50, 40);
        ASSERT_EQ(fitted != nullptr, c.width != 0);
        if (!fitted)
            continue;
        EXPECT_EQ(PictureWidth(fitted), c.width);
        EXPECT_EQ(PictureHeight(fitted), c.height);
        EXPECT_EQ(PixelAt(fitted.get(), 0, 0), (Rgb{255, 255, 60}));
        EXPECT_EQ(PixelAt(fitted.get(), c.width - 1, c.height - 1),
                  (Rgb{c.width > 25 ? 0 : 255, c.height > 20 ? 0 : 255, 60}));
    }
}

TEST(RotateWatermark, TurnsCounterClockwiseByOneToThreeHundredFiftyNineDegrees) {
    SetPlacement(2, 8, 10, 10);
    gSettings.WatermarkImageRotation = 360;
    EXPECT_EQ(PictureWidth(RotateWatermark(Quadrants(40, 20), Request().placement)), 40);
    gSettings.WatermarkImageRotation = 90;
    Picture turned = RotateWatermark(Quadrants(40, 20), Request().placement);
    ASSERT_EQ(PictureWidth(turned), 20);
    ASSERT_EQ(PictureHeight(turned), 40);
    // The top-left quadrant goes to the bottom left, the top-right one to the top left.
    EXPECT_EQ(PixelAt(turned.get(), 2, 37), (Rgb{255, 255, 60}));
    EXPECT_EQ(PixelAt(turned.get(), 2, 2), (Rgb{0, 255, 60}));
}

TEST(ApplyWatermark, LaysThePictureOverByItsAlpha) {
    struct Case {
        int position, xOffset, yOffset, alpha;
        int left, top; // where the 20 × 10 layer lands; -1: left out
        Rgb shows;     // its red half over grey
    };
    const Case cases[] = {
        {8, 10, 10, 255, 70, 40, kRed}, {0, 3, 4, 255, 3, 4, kRed},
        {4, 50, 40, 255, 40, 25, kRed}, {8, 10, 10, 128, 70, 40, {192, 64, 64}},
        {0, -5, 4, 255, -1, -1, kGrey},
    };
    testing::TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.position) + "/" + std::to_string(c.alpha));
        SetPlacement(2, c.position, c.xOffset, c.yOffset);
        RgbaPixels mark = MakeRgbaPixels(20, 10, true);
        for (int i = 0; i < 200; ++i)
            mark.Set(i % 20, i / 20, {255, 0, 0, static_cast<uint8_t>(i % 20 < 10 ? c.alpha : 0)});
        auto png = EncodePng(mark);
        testing::WriteFile(folder / "mark.png", std::string(png->begin(), png->end()));
        gSettings.WatermarkImage = folder / "mark.png";
        Picture picture(
            FreeImage_ConvertTo32Bits(MakePicture(100, 60, [](int, int) { return kGrey; }).get()));
        Picture marked =
            ApplyWatermark(std::move(picture), WatermarkRequestFrom(gSettings, ""), 100, 60);
        ASSERT_TRUE(marked);
        EXPECT_EQ(PictureBpp(marked), 24);
        int x = std::max(c.left, 0), y = std::max(c.top, 0);
        EXPECT_TRUE(testing::Near(PixelAt(marked.get(), x, y), c.shows, 1));
        EXPECT_TRUE(testing::Near(PixelAt(marked.get(), x + 9, y + 9), c.shows, 1));
        for (auto [u, v] : {std::pair{x - 1, y}, {x + 10, y}, {x, y + 10}})
            EXPECT_TRUE(u < 0 || PixelAt(marked.get(), u, v) == kGrey) << u << "," << v;
    }
    // No layer leaves the picture unmarked; a layer cut to nothing fails it.
    gSettings.WatermarkImage = folder / "missing.png";
    EXPECT_TRUE(ApplyWatermark(MakePicture(30, 20, [](int, int) { return kGrey; }),
                               WatermarkRequestFrom(gSettings, ""), 30, 20));
    gSettings.WatermarkImage = folder / "mark.png";
    gSettings.ImageXOffset = 100;
    EXPECT_FALSE(ApplyWatermark(MakePicture(30, 20, [](int, int) { return kGrey; }),
                                WatermarkRequestFrom(gSettings, ""), 30, 20));
}

// Width and height of the box of pixels that differ from the grey picture; its corner must
// be the offsets' (10, 10).
std::pair<double, double> MarkedSize(FIBITMAP* picture) {
    int right = 0, bottom = 0;
    for (int y = 0; y < int(FreeImage_GetHeight(picture)); ++y)
        for (int x = 0; x < int(FreeImage_GetWidth(picture)); ++x)
            if (PixelAt(picture, x, y) != kGrey) {
                EXPECT_TRUE(x >= 10 && y >= 10) << x << "," << y;
                right = std::max(right, x), bottom = std::max(bottom, y);
            }
    return {right - 9, bottom - 9};
}

// What each mode makes of a layer of natural size n on a w x h picture whose offsets leave
// a room of (w - 10) x (h - 10); Proportional at 25 percent.
std::pair<double, double> ExpectedSize(SizeMode mode, double w, double h,
                                       std::pair<double, double> n) {
    double fit = std::min((w - 10) / n.first, (h - 10) / n.second);
    switch (mode) {
    case SizeMode::Proportional:
        return {w / 4, w / 4 * n.second / n.first};
    case SizeMode::Fit:
        return {n.first * fit, n.second * fit};
    case SizeMode::Fill:
        return {w - 10, h - 10};
    default:
        return n;
    }
}

TEST(SizeWatermark, EachModeSizesTheLayerByTheBoundaryOnSmallAndLargePictures) {
    testing::TempFolder folder;
    Picture logo = MakePicture(40, 30, [](int, int) { return kRed; });
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, logo.get(), (folder / "logo.png").c_str(), 0));
    ASSERT_TRUE(LoadWatermarkFont("DejaVu Sans", 14, FontStyle::Regular, FontEffect::None));
    // Text grows with whole-pixel glyph advances, so only nearly in step with its font.
    for (auto [kind, tolerance] :
         {std::pair{WatermarkKind::Image, 0.01}, {WatermarkKind::Text, 0.03}})
        for (auto [w, h] : {std::pair{300, 200}, {1200, 800}}) {
            std::pair<double, double> natural;
            for (SizeMode mode :
                 {SizeMode::Fixed, SizeMode::Proportional, SizeMode::Fit, SizeMode::Fill}) {
                SCOPED_TRACE(std::to_string(ValueOf(kind)) + "/" + std::to_string(ValueOf(mode)) +
                             " on " + std::to_string(w));
                SetPlacement(ValueOf(kind), 0, 10, 10);
                Settings& s = gSettings;
                s.WatermarkImage = folder / "logo.png";
                s.BackColor = "FF0000", s.BackOpacity = 255, s.TextPadding = 3;
                s.TextSize = s.ImageSize = int8_t(ValueOf(mode));
                s.TextScale = s.ImageScale = 25;
                Picture marked =
                    ApplyWatermark(MakePicture(w, h, [](int, int) { return kGrey; }),
                                   WatermarkRequestFrom(gSettings, "Mark%eol%2"), w, h);
                ASSERT_TRUE(marked);
                auto size = MarkedSize(marked.get());
                natural = mode == SizeMode::Fixed ? size : natural;
                auto expected = ExpectedSize(mode, w, h, natural);
                EXPECT_NEAR(size.first, expected.first, expected.first * tolerance + 1);
                EXPECT_NEAR(size.second, expected.second, expected.second * tolerance + 1);
            }
        }
    FreeWatermarkFont();
}

} // namespace
} // namespace velmora
