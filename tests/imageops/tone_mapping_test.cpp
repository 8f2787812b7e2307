#include "imageops/tone_mapping.h"

#include "settings/keywords.h"
#include "settings/settings.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace velmora {
namespace {

using testing::PixelAt;
using testing::Rgb;

// 64 x 64, 48 bits, brightening to the right over four decades.
Picture HighRange() {
    Picture picture(FreeImage_AllocateT(FIT_RGB16, 64, 64));
    for (int row = 0; row < 64; ++row)
        for (int x = 0; x < 64; ++x) {
            WORD level = WORD(6 + x * x * 16 + row);
            reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(picture.get(), row))[x] = {
                level, WORD(level / 2), WORD(level / 3)};
        }
    return picture;
}

int Luma(const Rgb& c) {
    return c.r * 2 + c.g * 7 + c.b;
}

TEST(ApplyToneMapping, MapsOnlyTheFortyEightBitLoadModes) {
    struct Case {
        int loadAs, toneMapping, bpp; // 0: the picture given back untouched
    };
    const Case cases[] = {
        {ValueOf(RawLoadAs::Auto), ValueOf(ToneMapping::AdaptiveLogarithmic), 0},
        {ValueOf(RawLoadAs::Bits8), ValueOf(ToneMapping::Linear), 0},
        {ValueOf(RawLoadAs::Bits16), ValueOf(ToneMapping::RangeReduction), 0},
        {ValueOf(RawLoadAs::Rgb24), ValueOf(ToneMapping::GradientDomain), 0},
        {ValueOf(RawLoadAs::Rgb48), ValueOf(ToneMapping::None), 0},
        {ValueOf(RawLoadAs::Rgb48HalfSize), 7, 0},
        {ValueOf(RawLoadAs::Rgb48), ValueOf(ToneMapping::Linear), 24},
        {ValueOf(RawLoadAs::Rgb48HalfSize), ValueOf(ToneMapping::Linear), 24},
        {ValueOf(RawLoadAs::Rgb48), ValueOf(ToneMapping::AdaptiveLogarithmic), 24},
        {ValueOf(RawLoadAs::Rgb48HalfSize), ValueOf(ToneMapping::RangeReduction), 24},
        {ValueOf(RawLoadAs::Rgb48), ValueOf(ToneMapping::GradientDomain), 24},
    };
    std::set<std::string> rows;
    for (const Case& c : cases) {
        SettingsDefaults(true);
        gSettings.RawLoadAs = c.loadAs, gSettings.RawToneMapping = c.toneMapping;
        Picture source = HighRange();
        FIBITMAP* before = source.get();
        Picture mapped = ApplyToneMapping(std::move(source), ToneMappingRequestFrom(gSettings));
        std::string shown = std::to_string(c.loadAs) + " " + std::to_string(c.toneMapping);
        if (c.bpp == 0) {
            EXPECT_EQ(mapped.get(), before) << shown;
            continue;
        }
        ASSERT_EQ(PictureBpp(mapped), c.bpp) << shown;
        ASSERT_EQ(FreeImage_GetImageType(mapped.get()), FIT_BITMAP) << shown;
        // The global operators keep the order of brightness along a row; the gradient-domain
        // one is local and keeps only the ends in order.
        std::string row;
        for (int x = 1; x < 64; ++x) {
            Rgb left = PixelAt(mapped.get(), x - 1, 7), here = PixelAt(mapped.get(), x, 7);
            if (c.toneMapping != ValueOf(ToneMapping::GradientDomain)) {
                EXPECT_LE(Luma(left), Luma(here)) << shown << " at " << x;
            }
            row += ::testing::PrintToString(here);
        }
        EXPECT_LT(Luma(PixelAt(mapped.get(), 0, 7)), Luma(PixelAt(mapped.get(), 63, 7))) << shown;
        if (c.toneMapping == ValueOf(ToneMapping::Linear)) {
            Picture source = HighRange();
            FIRGB16 deep = testing::Pixel16At(source.get(), 40, 7);
            EXPECT_EQ(PixelAt(mapped.get(), 40, 7),
                      (Rgb{deep.red >> 8, deep.green >> 8, deep.blue >> 8}));
        }
        rows.insert(row);
    }
    // Linear, AL, DRR and GD each give a picture of their own.
    EXPECT_EQ(rows.size(), 4u);
    EXPECT_FALSE(ApplyToneMapping(nullptr, ToneMappingRequestFrom(gSettings)));
}

} // namespace
} // namespace velmora
