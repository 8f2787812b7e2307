// CMYK separations with lcms2: into a printer profile the user named, or by grey-component
// replacement on sRGB values.
#include "imageops/cmyk_separation.h"

#include "imageops/lcms_handles.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmora {
namespace {

// How one picture is separated: through an lcms2 transform from its own RGB, into the
// named printer profile or, for the formula, into sRGB (none when it is sRGB already).
struct Separation {
    Transform transform;
    const std::string* profile = nullptr;
    bool formula = true;
};

Transform TransformBetween(const std::string& from, const std::string& to, cmsUInt32Number output,
                           cmsUInt32Number intent, cmsUInt32Number flags) {
    Profile source = OpenProfile(from), target = OpenProfile(to);
    if (!source || !target)
        return nullptr;
    return Transform(
        cmsCreateTransform(source.get(), TYPE_RGB_8, target.get(), output, intent, flags));
}

Separation SeparationFor(const PictureColor& color, const std::string& printerProfile) {
    // Values nothing describes are taken as sRGB, as every viewer takes them.
    bool srgb = color.encoding == ColorEncoding::Srgb || color.encoding == ColorEncoding::Unknown;
    const std::string& source =
        IccProfileFor(srgb ? PictureColor{ColorEncoding::Srgb, {}} : color, ProfileLayout::Rgb);
    Separation separation;
    if (!printerProfile.empty()) {
        separation.transform = TransformBetween(source, printerProfile, TYPE_CMYK_8,
                                                INTENT_PERCEPTUAL, cmsFLAGS_BLACKPOINTCOMPENSATION);
        separation.profile = &printerProfile;
        separation.formula = !separation.transform;
    }
    if (separation.formula) {
        separation.profile = &GreyComponentReplacementProfile();
        if (!srgb)
            separation.transform = TransformBetween(
                source, IccProfileFor({ColorEncoding::Srgb, {}}, ProfileLayout::Rgb), TYPE_RGB_8,
                INTENT_RELATIVE_COLORIMETRIC, 0);
    }
    return separation;
}

// One row of BGRA pixels as RGB over white paper.
void OverWhitePaper(const BYTE* bgra, unsigned width, std::vector<uint8_t>& rgb) {
    for (unsigned x = 0; x < width; ++x, bgra += 4) {
        unsigned alpha = bgra[FI_RGBA_ALPHA];
        for (int channel = 0; channel < 3; ++channel) {
            static const int kOrder[3] = {FI_RGBA_RED, FI_RGBA_GREEN, FI_RGBA_BLUE};
            unsigned value = bgra[kOrder[channel]];
            rgb[x * 3 + channel] =
                static_cast<uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255);
        }
    }
}

} // namespace

Ink GreyComponentReplacement(uint8_t red, uint8_t green, uint8_t blue) {
    unsigned maximum = std::max({red, green, blue});
    Ink ink{0, 0, 0, static_cast<uint8_t>(255 - maximum)};
    if (maximum == 0)
        return ink;
    auto colourInk = [maximum](unsigned value) {
        return static_cast<uint8_t>(((maximum - value) * 255 + maximum / 2) / maximum);
    };
    ink.c = colourInk(red), ink.m = colourInk(green), ink.y = colourInk(blue);
    return ink;
}

Picture SeparateIntoCmyk(Picture picture, PictureColor& color, const std::string& printerProfile) {
    if (!picture || FreeImage_GetImageType(picture.get()) != FIT_BITMAP ||
        FreeImage_GetBPP(picture.get()) != 32 || color.encoding == ColorEncoding::Cmyk)
        return picture;
    Separation separation = SeparationFor(color, printerProfile);
    if (separation.profile->empty())
        return nullptr;
    // Row by row in place: the inks take the bytes the colours had.
    unsigned width = FreeImage_GetWidth(picture.get()), height = FreeImage_GetHeight(picture.get());
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * 3);
    for (unsigned y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(picture.get(), static_cast<int>(y));
        OverWhitePaper(row, width, rgb);
        if (!separation.formula) {
            cmsDoTransform(separation.transform.get(), rgb.data(), row, width);
            continue;
        }
        if (separation.transform)
            cmsDoTransform(separation.transform.get(), rgb.data(), rgb.data(), width);
        for (unsigned x = 0; x < width; ++x, row += 4) {
            Ink ink = GreyComponentReplacement(rgb[x * 3], rgb[x * 3 + 1], rgb[x * 3 + 2]);
            row[0] = ink.c, row[1] = ink.m, row[2] = ink.y, row[3] = ink.k;
        }
    }
    color = PictureColor{ColorEncoding::Cmyk, *separation.profile};
    return picture;
}

} // namespace velmora
