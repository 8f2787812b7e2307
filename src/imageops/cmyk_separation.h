// CMYK separations for print. FreeImage's CMYK flag only labels the bytes it is given as ink,
// so a 32-bit picture is turned into ink amounts here first, and the profile that describes
// them comes with it. A grey-component-replacement formula separates, described by a profile
// built for it, unless the user names a CMYK printer profile, into which lcms2 converts.
// Profiles installed on the machine are never looked for: which of them would win is not
// something the user chose, and the same run would give other inks on another machine.
#pragma once

#include "imageops/color_profile.h"
#include "imageops/picture.h"

#include <cstdint>
#include <string>

namespace velmora {

// A 32-bit picture becomes (in place) C, M, Y, K bytes (in that order in memory, as FreeImage's
// TIFF writer takes them) and color becomes Cmyk with the separations' profile: printerProfile
// when it is given (ICC bytes), else the formula's. Transparency is laid over white paper
// first: no alpha ever becomes ink. Any other picture passes unchanged.
Picture SeparateIntoCmyk(Picture picture, PictureColor& color,
                         const std::string& printerProfile = {});

struct Ink {
    uint8_t c, m, y, k;
};
// The formula, on sRGB values: black takes the grey component, K = 1 - max(R, G, B), and
// each colour ink the rest of its complement, C = (1 - R - K) / (1 - K). White is no ink,
// black is full black ink alone; R = (1 - C)(1 - K) gives the colour back exactly.
Ink GreyComponentReplacement(uint8_t red, uint8_t green, uint8_t blue);

// The profile describing the formula (CMYK to XYZ and back through sRGB), built once per
// process; and built afresh.
const std::string& GreyComponentReplacementProfile();
std::string BuildGreyComponentReplacementProfile();

// The CMYK printer profile in the file at path (an output profile of CMYK that lcms2 can
// separate into), read once for each version of the file; "" when the file is none.
const std::string& CmykPrinterProfile(const std::string& path);

} // namespace velmora
