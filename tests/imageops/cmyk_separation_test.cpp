// Grey-component replacement, its profile, and transparency over paper.
#include "imageops/cmyk_separation.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <lcms2.h>

namespace velmora::testing {
namespace {

TEST(CmykSeparation, GreyComponentReplacementInks) {
    struct Case {
        Rgb colour;
        int c, m, y, k;
    };
    const Case cases[] = {{{255, 255, 255}, 0, 0, 0, 0},
                          {{0, 0, 0}, 0, 0, 0, 255},
                          {{128, 128, 128}, 0, 0, 0, 127},
                          {{255, 0, 0}, 0, 255, 255, 0},
                          {{200, 150, 30}, 0, 64, 217, 55}};
    for (const Case& c : cases) {
        Ink ink = GreyComponentReplacement(c.colour.r, c.colour.g, c.colour.b);
        EXPECT_EQ((std::vector<int>{ink.c, ink.m, ink.y, ink.k}),
                  (std::vector<int>{c.c, c.m, c.y, c.k}))
            << c.colour;
    }
}

// Through its own profile, in either intent a colour-managed program uses, every ink the
// formula gives comes back as its colour within one level.
TEST(CmykSeparation, TheFormulasProfileGivesTheColourBack) {
    const std::string& icc = GreyComponentReplacementProfile();
    cmsHPROFILE inks = cmsOpenProfileFromMem(icc.data(), icc.size());
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    for (int intent : {INTENT_PERCEPTUAL, INTENT_RELATIVE_COLORIMETRIC}) {
        cmsHTRANSFORM back = cmsCreateTransform(inks, TYPE_CMYK_8, srgb, TYPE_RGB_8, intent, 0);
        ASSERT_NE(back, nullptr);
        for (int r = 0; r < 256; r += 15)
            for (int g = 0; g < 256; g += 15)
                for (int b = 0; b < 256; b += 15) {
                    Ink ink = GreyComponentReplacement(r, g, b);
                    uint8_t cmyk[4] = {ink.c, ink.m, ink.y, ink.k}, rgb[3];
                    cmsDoTransform(back, cmyk, rgb, 1);
                    ASSERT_TRUE(Near({rgb[0], rgb[1], rgb[2]}, {r, g, b}, 1))
                        << Rgb{r, g, b} << " came back as " << Rgb{rgb[0], rgb[1], rgb[2]};
                }
        cmsDeleteTransform(back);
    }
    cmsCloseProfile(inks);
    cmsCloseProfile(srgb);
}

TEST(CmykSeparation, TransparencyIsPaperNotInk) {
    Picture picture(FreeImage_Allocate(2, 1, 32));
    BYTE* pixels = FreeImage_GetScanLine(picture.get(), 0);
    std::fill(pixels, pixels + 8, 0); // transparent black, then opaque black
    pixels[4 + FI_RGBA_ALPHA] = 255;
    PictureColor color{ColorEncoding::Srgb, {}};
    Picture inks = SeparateIntoCmyk(std::move(picture), color);
    ASSERT_TRUE(inks);
    const BYTE* out = FreeImage_GetScanLine(inks.get(), 0);
    EXPECT_EQ(std::vector<int>(out, out + 8), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 255}));
    EXPECT_EQ(color.encoding, ColorEncoding::Cmyk);
}

} // namespace
} // namespace velmora::testing
