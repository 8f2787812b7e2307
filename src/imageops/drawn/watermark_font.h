// The watermark font: a face fontconfig knows, at a size in points, with its style and
// effect. Loaded once before a run into a process-wide slot that the text layer reads.
#pragma once

#include "settings/keywords.h"

#include <optional>
#include <string>
#include <vector>

namespace velmora {

struct WatermarkFont {
    std::string requestedFace; // as the user named it
    std::string family;        // the family fontconfig resolved it to
    std::string file;          // the font file that family comes from
    int pointSize = 0;
    int pixelSize = 0; // at 96 dots per inch
    bool bold = false, italic = false, underline = false, strikeout = false;
};

// Points to pixels at the 96 dots per inch of the drawing surface.
int PointsToPixels(int points);

// Resolves a face. A name that fontconfig would only answer with its generic default
// font is refused, as are sizes no raster could hold.
std::optional<WatermarkFont> ResolveWatermarkFont(const std::string& face, int pointSize,
                                                  FontStyle style, FontEffect effect);

// Families of the installed outline fonts (the only kind the drawing renders), each by the
// first name fontconfig gives it, sorted.
std::vector<std::string> InstalledFontFamilies();

// The families a window offers: those of the configured list that can be honoured
// (installed, or an alias such as Arial for Liberation Sans), in their order, then every
// installed family not among them.
std::vector<std::string> OfferedFontFamilies(const std::vector<std::string>& configured);

// The process-wide slot.
bool LoadWatermarkFont(const std::string& face, int pointSize, FontStyle style, FontEffect effect);
const WatermarkFont* LoadedWatermarkFont();
void FreeWatermarkFont();

} // namespace velmora
