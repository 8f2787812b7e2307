// ICC profiles built in memory with lcms2 (version 4 profiles, whose parametric curves hold
// the BT.709 and sRGB curves exactly).
#include "imageops/color_profile.h"

#include "imageops/lcms_handles.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace velmora {
namespace {

constexpr cmsCIExyY kD65 = {0.3127, 0.3290, 1.0};
constexpr cmsCIExyYTRIPLE kSrgbPrimaries = {
    {0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
constexpr cmsCIExyYTRIPLE kAdobeRgbPrimaries = {
    {0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};

Curve ParametricTone(const ParametricCurve& p) {
    const cmsFloat64Number parameters[] = {p.gamma, p.a, p.b, p.c, p.d};
    return Curve(cmsBuildParametricToneCurve(nullptr, 4, parameters));
}

Curve SrgbTone() {
    return ParametricTone({2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045});
}

// The curve of an RGB or grey profile: its green (or grey) tone curve; the sRGB curve when
// it has none (profiles made of look-up tables).
Curve ToneOfProfile(std::string_view icc) {
    Profile profile = OpenProfile(icc);
    if (profile) {
        for (cmsTagSignature tag : {cmsSigGreenTRCTag, cmsSigGrayTRCTag}) {
            auto* tone = static_cast<cmsToneCurve*>(cmsReadTag(profile.get(), tag));
            if (tone)
                return Curve(cmsDupToneCurve(tone));
        }
    }
    return SrgbTone();
}

Curve ToneOf(const PictureColor& color) {
    switch (color.encoding) {
    case ColorEncoding::LinearSrgbPrimaries:
    case ColorEncoding::CameraRgbLinear:
        return Curve(cmsBuildGamma(nullptr, 1.0));
    case ColorEncoding::Bt709Curve:
    case ColorEncoding::CameraRgbBt709Curve:
        return ParametricTone(Bt709DecodingCurve());
    case ColorEncoding::AdobeRgb:
        return Curve(cmsBuildGamma(nullptr, 563.0 / 256.0));
    case ColorEncoding::Embedded:
        return ToneOfProfile(color.profile);
    default:
        return SrgbTone();
    }
}

std::string CurveName(const PictureColor& color) {
    switch (color.encoding) {
    case ColorEncoding::LinearSrgbPrimaries:
    case ColorEncoding::CameraRgbLinear:
        return "linear";
    case ColorEncoding::Bt709Curve:
    case ColorEncoding::CameraRgbBt709Curve:
        return "BT.709 curve";
    case ColorEncoding::AdobeRgb:
        return "gamma 563/256";
    case ColorEncoding::Embedded:
        return "curve of \"" + IccDescription(color.profile) + "\"";
    default:
        return "sRGB curve";
    }
}

std::string RgbDescription(const PictureColor& color) {
    switch (color.encoding) {
    case ColorEncoding::Srgb:
        return "sRGB IEC 61966-2-1";
    case ColorEncoding::AdobeRgb:
        return "Adobe RGB (1998) compatible";
    case ColorEncoding::CameraRgbLinear:
    case ColorEncoding::CameraRgbBt709Curve:
        return "Camera RGB without colour matrix (sRGB primaries assumed), " + CurveName(color);
    default:
        return "sRGB primaries, " + CurveName(color);
    }
}

std::string BuildRgbProfile(const PictureColor& color) {
    Curve tone = ToneOf(color);
    cmsToneCurve* curves[3] = {tone.get(), tone.get(), tone.get()};
    const cmsCIExyYTRIPLE& primaries =
        color.encoding == ColorEncoding::AdobeRgb ? kAdobeRgbPrimaries : kSrgbPrimaries;
    Profile profile(cmsCreateRGBProfile(&kD65, &primaries, curves));
    return profile ? SavedProfile(profile.get(), RgbDescription(color)) : std::string();
}

std::string BuildGreyProfile(const PictureColor& color) {
    Curve tone = ToneOf(color);
    Profile profile(cmsCreateGrayProfile(cmsD50_xyY(), tone.get()));
    return profile ? SavedProfile(profile.get(), "Grey, " + CurveName(color)) : std::string();
}

bool HoldsLayout(std::string_view icc, ProfileLayout layout) {
    Profile profile = OpenProfile(icc);
    cmsColorSpaceSignature wanted = layout == ProfileLayout::Grey ? cmsSigGrayData : cmsSigRgbData;
    return profile && cmsGetColorSpace(profile.get()) == wanted;
}

} // namespace

ParametricCurve Bt709DecodingCurve() {
    // LibRaw encodes linear x as x * slope below the toe and (1 + offset) x^power - offset
    // above it, the two pieces meeting with the same value and slope. The encoded toe end is
    // found by bisection, as LibRaw finds it.
    const double power = 1 / 2.222, slope = 4.5;
    double low = 0, high = 1, toe = 0;
    for (int i = 0; i < 48; ++i) {
        toe = (low + high) / 2;
        bool above = (std::pow(toe / slope, -power) - 1) / power - 1 / toe > -1;
        (above ? high : low) = toe;
    }
    double offset = toe * (1 / power - 1);
    return {1 / power, 1 / (1 + offset), offset / (1 + offset), 1 / slope, toe};
}

ProfileLayout LayoutOf(FIBITMAP* picture, const PictureColor& color) {
    if (!picture || color.encoding == ColorEncoding::Unknown)
        return ProfileLayout::None;
    if (color.encoding == ColorEncoding::Cmyk)
        return ProfileLayout::Cmyk;
    if (FreeImage_GetImageType(picture) != FIT_BITMAP)
        return ProfileLayout::Rgb; // 48-bit, 64-bit and float colour
    if (FreeImage_GetBPP(picture) == 1)
        return ProfileLayout::None;
    switch (FreeImage_GetColorType(picture)) {
    case FIC_MINISBLACK:
        return ProfileLayout::Grey;
    case FIC_MINISWHITE:
        return ProfileLayout::None;
    default:
        return ProfileLayout::Rgb;
    }
}

namespace {

// The profile when it is the picture's own, or none at all, rather than one to build.
const std::string* GivenProfile(const PictureColor& color, ProfileLayout layout) {
    static const std::string kNone;
    if (layout == ProfileLayout::None || color.encoding == ColorEncoding::Unknown)
        return &kNone;
    if (color.encoding == ColorEncoding::Cmyk)
        return layout == ProfileLayout::Cmyk ? &color.profile : &kNone;
    if (layout == ProfileLayout::Cmyk)
        return &kNone;
    if (color.encoding == ColorEncoding::Embedded && HoldsLayout(color.profile, layout))
        return &color.profile;
    return nullptr;
}

} // namespace

std::string BuildIccProfile(const PictureColor& color, ProfileLayout layout) {
    if (const std::string* given = GivenProfile(color, layout))
        return *given;
    return layout == ProfileLayout::Grey ? BuildGreyProfile(color) : BuildRgbProfile(color);
}

const std::string& IccProfileFor(const PictureColor& color, ProfileLayout layout) {
    if (const std::string* given = GivenProfile(color, layout))
        return *given;

    static std::mutex mutex;
    static std::map<std::tuple<ColorEncoding, ProfileLayout, std::string>, std::string> built;
    std::lock_guard<std::mutex> lock(mutex);
    auto key = std::make_tuple(color.encoding, layout, color.profile);
    auto found = built.find(key);
    if (found == built.end())
        found = built.emplace(key, BuildIccProfile(color, layout)).first;
    return found->second;
}

void AttachColorProfile(FIBITMAP* picture, const PictureColor& color) {
    if (!picture)
        return;
    FreeImage_DestroyICCProfile(picture);
    const std::string& icc = IccProfileFor(color, LayoutOf(picture, color));
    if (icc.empty())
        return;
    FIICCPROFILE* attached = FreeImage_CreateICCProfile(picture, const_cast<char*>(icc.data()),
                                                        static_cast<long>(icc.size()));
    if (attached && color.encoding == ColorEncoding::Cmyk)
        attached->flags |= FIICC_COLOR_IS_CMYK;
}

uint16_t ExifColorSpaceFor(const PictureColor& color) {
    bool srgb = color.encoding == ColorEncoding::Srgb ||
                (color.encoding == ColorEncoding::Embedded &&
                 IccDescription(color.profile).rfind("sRGB", 0) == 0);
    return srgb ? 1 : 0xFFFF;
}

std::string IccDescription(std::string_view icc) {
    Profile profile = OpenProfile(icc);
    if (!profile)
        return {};
    char text[256] = {};
    cmsGetProfileInfoASCII(profile.get(), cmsInfoDescription, "en", "US", text, sizeof text);
    return text;
}

bool IsDisplayProfile(std::string_view icc) {
    Profile profile = OpenProfile(icc);
    if (!profile)
        return false;
    cmsProfileClassSignature kind = cmsGetDeviceClass(profile.get());
    cmsColorSpaceSignature space = cmsGetColorSpace(profile.get());
    return (kind == cmsSigDisplayClass || kind == cmsSigColorSpaceClass) &&
           (space == cmsSigRgbData || space == cmsSigGrayData);
}

} // namespace velmora
