// The text watermark's layer: the expanded watermark text in the loaded watermark font,
// in FontColor at TextOpacity over a box of BackColor at BackOpacity.
#pragma once

#include "imageops/picture.h"

#include <string>
#include <vector>

namespace velmora {

// The lines of a watermark text: it is split at every "%eol%" in any case; lines may be
// empty.
std::vector<std::string> WatermarkLines(const std::string& text);

// Left edge of a line of lineWidth pixels in a block blockWidth wide, by TextAlignment,
// TextPadding pixels in from the block's edge (centred lines ignore the padding).
int AlignLine(int lineWidth, int blockWidth);

// A 32-bit bitmap with alpha holding the text block, or none when no watermark font is
// loaded or the block's size (from the text, font, leading and padding) cannot be met.
Picture BuildTextLayer(const std::string& expandedText);

} // namespace velmora
