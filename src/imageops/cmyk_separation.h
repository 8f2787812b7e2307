// CMYK separations for print. FreeImage's CMYK flag only labels the bytes it is given as ink,
// so a 32-bit picture is turned into ink amounts here first, and the profile that describes
// them comes with it. With a CMYK printer profile installed in the machine's ICC folders,
// lcms2 converts into that profile; otherwise a grey-component-replacement formula does,
// described by a profile built for it.
#pragma once

#include "imageops/color_profile.h"
#include "imageops/picture.h"

#include <cstdint>
#include <string>

namespace velmora {

// A 32-bit picture becomes (in place) C, M, Y, K bytes (in that order in memory, as FreeImage's
// TIFF writer takes them) and color becomes Cmyk with the separations' profile. Transparency is
// laid over white paper first: no alpha ever becomes ink. Any other picture passes unchanged.
Picture SeparateIntoCmyk(Picture picture, PictureColor& color);

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

// The first CMYK output profile in the ICC folders: $XDG_DATA_HOME/icc (~/.local/share/icc),
// then color/icc below each of $XDG_DATA_DIRS (/usr/local/share, /usr/share), each searched
// in name order, subfolders included. "" when there is none.
std::string FindInstalledCmykProfile();

} // namespace velmora
