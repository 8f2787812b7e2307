// The text watermark's layer: the expanded watermark text in the loaded watermark font,
// in FontColor at TextOpacity over a box of BackColor at BackOpacity.
#pragma once

#include "imageops/picture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// The lines of a watermark text: it is split at every "%eol%" in any case; lines may be
// empty.
std::vector<std::string> WatermarkLines(const std::string& text);

// Left edge of a line of lineWidth pixels in a block blockWidth wide, by TextAlignment,
// TextPadding pixels in from the block's edge (centred lines ignore the padding).
int AlignLine(int lineWidth, int blockWidth);

// The text block drawn larger or smaller than its natural size: font size, padding and
// leading are multiplied by factor. Only the top-left part of the kept size is drawn.
struct TextScaling {
    double factor = 1.0;
    int64_t keptWidth = INT64_MAX, keptHeight = INT64_MAX;
};

// A 32-bit bitmap with alpha holding the text block, or none when no watermark font is
// loaded or the block's size (from the text, font, leading and padding) cannot be met.
Picture BuildTextLayer(const std::string& expandedText, const TextScaling& scaling = {});

} // namespace velmora
