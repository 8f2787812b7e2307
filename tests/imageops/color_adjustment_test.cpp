#include "imageops/color_adjustment.h"

#include "support/pictures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora {
namespace {

using testing::MakePicture;
using testing::PixelAt;
using testing::Rgb;

Rgb NoiseAt(int x, int y) {
    return {(x * 37 + y * 11) & 255, (x * 5 + y * 71) & 255, (x * x + y * 3) & 255};
}

ColorAdjustmentRequest Adjustment(int brightness, int contrast, float gamma, bool invert) {
    return {true, brightness, contrast, gamma, invert};
}

TEST(ApplyColorAdjustment, InvertGivesTheNegativeAndEachSettingMovesTheTones) {
    ColorAdjustmentRequest adjustment = Adjustment(0, 0, 1.0f, true);
    Picture source = MakePicture(16, 16, NoiseAt);
    Picture negative = ApplyColorAdjustment(MakePicture(16, 16, NoiseAt), adjustment);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            Rgb c = PixelAt(source.get(), x, y);
            ASSERT_EQ(PixelAt(negative.get(), x, y), (Rgb{255 - c.r, 255 - c.g, 255 - c.b}));
        }
    // How a 100 and a 200 grey move: brightness and gamma lift both, contrast spreads them.
    struct Case {
        int brightness, contrast;
        float gamma;
        int darkSign, lightSign;
    };
    const Case cases[] = {{-40, 0, 1.0f, -1, -1}, {0, 0, 2.0f, 1, 1}, {0, 60, 1.0f, -1, 1}};
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const Case& c : cases) {
        adjustment = Adjustment(c.brightness, c.contrast, c.gamma, false);
        Picture picture =
            ApplyColorAdjustment(MakePicture(2, 1,
                                             [](int x, int) {
                                                 return x ? Rgb{200, 200, 200} : Rgb{100, 100, 100};
                                             }),
                                 adjustment);
        EXPECT_EQ(sign(PixelAt(picture.get(), 0, 0).g - 100), c.darkSign) << &c - cases;
        EXPECT_EQ(sign(PixelAt(picture.get(), 1, 0).g - 200), c.lightSign) << &c - cases;
    }
}

TEST(ApplyColorAdjustment, ShallowAndDeepPicturesBecome24Bits) {
    ColorAdjustmentRequest adjustment = Adjustment(0, 0, 1.0f, false);
    const std::pair<int, int> depths[] = {{1, 24}, {8, 8}, {48, 24}};
    for (auto [bpp, expected] : depths) {
        Picture picture(FreeImage_AllocateT(bpp == 48 ? FIT_RGB16 : FIT_BITMAP, 5, 3, bpp));
        BYTE index = BYTE((1 << std::min(bpp, 8)) - 1); // orange in the top-left pixel
        RGBQUAD orange{0, 128, 255, 255};
        if (bpp <= 8) {
            FreeImage_GetPalette(picture.get())[index] = orange;
            FreeImage_SetPixelIndex(picture.get(), 0, 2, &index);
        } else if (bpp == 48) {
            reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(picture.get(), 2))[0] = {0xFF00,
                                                                                      0x8000, 0};
        } else {
            FreeImage_SetPixelColor(picture.get(), 0, 2, &orange);
        }
        picture = ApplyColorAdjustment(std::move(picture), adjustment);
        ASSERT_EQ(PictureBpp(picture), expected) << bpp;
        EXPECT_EQ(PixelAt(picture.get(), 0, 0), (Rgb{255, 128, 0})) << bpp;
    }
    adjustment.enabled = false;
    Picture source = MakePicture(2, 2, NoiseAt);
    FIBITMAP* before = source.get();
    EXPECT_EQ(ApplyColorAdjustment(std::move(source), adjustment).get(), before);
    EXPECT_FALSE(ApplyColorAdjustment(nullptr, adjustment));
}

// Headerless 16-bit files load as 5-6-5 pictures, which the adjustment call refuses.
TEST(ApplyColorAdjustment, SixteenBitPicturesAreAdjustedToo) {
    const ColorAdjustmentRequest adjustment = Adjustment(0, 0, 1.0f, true);
    Picture picture(FreeImage_AllocateT(FIT_BITMAP, 3, 2, 16, FI16_565_RED_MASK,
                                        FI16_565_GREEN_MASK, FI16_565_BLUE_MASK));
    reinterpret_cast<WORD*>(FreeImage_GetScanLine(picture.get(), 1))[0] = 0xFC00; // orange
    Picture plain(FreeImage_ConvertTo24Bits(picture.get()));
    Rgb before = PixelAt(plain.get(), 0, 0);
    picture = ApplyColorAdjustment(std::move(picture), adjustment);
    ASSERT_EQ(PictureBpp(picture), 24);
    Rgb after = PixelAt(picture.get(), 0, 0);
    EXPECT_EQ(after, (Rgb{255 - before.r, 255 - before.g, 255 - before.b}));
}

} // namespace
} // namespace velmora
