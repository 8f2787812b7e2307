// The profiles built for each meaning and layout: lcms2 opens them and they describe what
// they are. (The end-to-end tests render decodes through them.)
#include "imageops/color_profile.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <lcms2.h>

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
        {ColorEncoding::CameraRgbBt709Curve, ProfileLayout::Rgb,
         "Camera RGB without colour matrix (sRGB primaries assumed), BT.709 curve", cmsSigRgbData},
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

} // namespace
} // namespace velmora::testing
