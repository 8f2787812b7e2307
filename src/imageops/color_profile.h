// What the numbers of a picture mean, and the ICC profile that tells colour-managed
// programs so. The pipeline follows the meaning from the decoder through the steps; the
// profile itself is built (with lcms2, in memory) only for the picture that is saved, in
// the layout it is saved in: RGB, grey, or CMYK separations.
#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

enum class ColorEncoding {
    Unknown,             // nothing says what the values are (headerless bits)
    LinearSrgbPrimaries, // LibRaw's 16-bit decodes: sRGB primaries, D65, no curve
    Bt709Curve,          // LibRaw's 8-bit display decode: sRGB primaries, BT.709 curve
    // The same decodes of a camera whose values LibRaw passes through without a colour
    // matrix (raw colour: the Kodak C330's YCbCr decoder gives the camera's own RGB). Nothing
    // tells their primaries; the profile says so and assumes sRGB's.
    CameraRgbLinear,
    CameraRgbBt709Curve,
    Srgb,     // IEC 61966-2-1
    AdobeRgb, // Adobe RGB (1998) primaries, gamma 563/256
    Embedded, // the source's own ICC profile, in profile
    Cmyk,     // separations; profile describes them
};

struct PictureColor {
    ColorEncoding encoding = ColorEncoding::Unknown;
    std::string profile; // ICC bytes for Embedded and Cmyk
};

enum class ProfileLayout { None, Rgb, Grey, Cmyk };

// The layout FreeImage writes the picture in: grey levels, colour (palette entries included),
// CMYK when the picture was separated, and None for bilevel pictures, whose two values are
// black and white whatever a profile would say.
ProfileLayout LayoutOf(FIBITMAP* picture, const PictureColor& color);

// The ICC profile of values of this meaning laid out as layout; empty when there is none to
// give (Unknown values, bilevel pictures). Built once per process and kept.
const std::string& IccProfileFor(const PictureColor& color, ProfileLayout layout);
// The same, built afresh each time.
std::string BuildIccProfile(const PictureColor& color, ProfileLayout layout);

// Puts the profile of the picture's values on it (and takes off any other FreeImage carried).
void AttachColorProfile(FIBITMAP* picture, const PictureColor& color);

// EXIF ColorSpace: 1 for sRGB-encoded values, 0xFFFF ("uncalibrated") for everything else.
uint16_t ExifColorSpaceFor(const PictureColor& color);

// The profile's description, or "" when the bytes are not a profile lcms2 can open.
std::string IccDescription(std::string_view icc);

// An RGB or grey profile that describes how a display shows values (the class of profile a
// JPEG carries), as opposed to a camera's input profile or a printer's.
bool IsDisplayProfile(std::string_view icc);

// The BT.709 curve as LibRaw applies it for power 1/2.222 and toe slope 4.5, in the form of
// lcms2's parametric curve type 4 (encoded to linear): gamma, a, b, c, d.
struct ParametricCurve {
    double gamma, a, b, c, d;
};
ParametricCurve Bt709DecodingCurve();

} // namespace velmora
