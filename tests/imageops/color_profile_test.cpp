// The profiles built for each meaning and layout: lcms2 opens them, they describe what they
// are, and the BT.709 curve is LibRaw's.
#include "imageops/color_profile.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <lcms2.h>

#include <cmath>

namespace velmora::testing {
namespace {

TEST(ColorProfile, EachMeaningAndLayoutHasItsProfile) {
    struct Case {
        ColorEncoding encoding;
        ProfileLayout layout;
        const char* description;
        cmsColorSpaceSignature space;
    };
    const Case cases[] = {
        {ColorEncoding::LinearSrgbPrimaries, ProfileLayout::Rgb, "sRGB primaries, linear",
         cmsSigRgbData},
        {ColorEncoding::Bt709Curve, ProfileLayout::Rgb, "sRGB primaries, BT.709 curve",
         cmsSigRgbData},
        {ColorEncoding::Srgb, ProfileLayout::Rgb, "sRGB IEC 61966-2-1", cmsSigRgbData},
        {ColorEncoding::AdobeRgb, ProfileLayout::Rgb, "Adobe RGB (1998) compatible", cmsSigRgbData},
        {ColorEncoding::LinearSrgbPrimaries, ProfileLayout::Grey, "Grey, linear", cmsSigGrayData},
        {ColorEncoding::Bt709Curve, ProfileLayout::Grey, "Grey, BT.709 curve", cmsSigGrayData},
        {ColorEncoding::AdobeRgb, ProfileLayout::Grey, "Grey, gamma 563/256", cmsSigGrayData},
    };
    for (const Case& c : cases) {
        const std::string& icc = IccProfileFor({c.encoding, {}}, c.layout);
        cmsHPROFILE profile = cmsOpenProfileFromMem(icc.data(), icc.size());
        ASSERT_NE(profile, nullptr) << c.description;
        EXPECT_EQ(IccDescription(icc), c.description);
        EXPECT_EQ(cmsGetColorSpace(profile), c.space) << c.description;
        cmsCloseProfile(profile);
    }
    // An embedded RGB profile stays as it is in colour, and lends its curve to grey.
    PictureColor embedded{ColorEncoding::Embedded,
                          IccProfileFor({ColorEncoding::AdobeRgb, {}}, ProfileLayout::Rgb)};
    EXPECT_EQ(IccProfileFor(embedded, ProfileLayout::Rgb), embedded.profile);
    EXPECT_EQ(IccDescription(IccProfileFor(embedded, ProfileLayout::Grey)),
              "Grey, curve of \"Adobe RGB (1998) compatible\"");
    // Nothing describes headerless values, and a bilevel picture needs no profile.
    EXPECT_EQ(IccProfileFor({}, ProfileLayout::Rgb), "");
    Picture bilevel(FreeImage_Allocate(8, 8, 1));
    EXPECT_EQ(LayoutOf(bilevel.get(), {ColorEncoding::Srgb, {}}), ProfileLayout::None);
}

// LibRaw's curve for power 1/2.222 and slope 4.5 is BT.709's: a toe up to 0.081 (encoded)
// and an offset of 0.099.
TEST(ColorProfile, TheDisplayDecodeCurveIsBt709) {
    ParametricCurve curve = Bt709DecodingCurve();
    EXPECT_NEAR(curve.d, 0.081, 0.0005);
    EXPECT_NEAR(curve.b / curve.a, 0.099, 0.0005);
    EXPECT_NEAR(curve.gamma, 2.222, 1e-9);
    // The two pieces meet: the toe's end decodes alike on both.
    EXPECT_NEAR(curve.c * curve.d, std::pow(curve.a * curve.d + curve.b, curve.gamma), 1e-9);
}

} // namespace
} // namespace velmora::testing
