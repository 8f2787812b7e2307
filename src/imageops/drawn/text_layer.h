// The text watermark's layer: the expanded watermark text in the loaded watermark font,
// in its colour and opacity over a box of the background colour and opacity.
#pragma once

#include "imageops/picture.h"
#include "imageops/watermark_request.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// The lines of a watermark text: it is split at every "%eol%" in any case; lines may be
// empty.
std::vector<std::string> WatermarkLines(const std::string& text);

// The text block drawn larger or smaller than its natural size: font size, padding and
// leading are multiplied by factor. Only the top-left part of the kept size is drawn.
struct TextScaling {
    double factor = 1.0;
    int64_t keptWidth = INT64_MAX, keptHeight = INT64_MAX;
};

// A 32-bit bitmap with alpha holding the text block, or none when no watermark font is
// loaded or the block's size (from the text, font, leading and padding) cannot be met.
Picture BuildTextLayer(const TextWatermark& text, const TextScaling& scaling = {});

} // namespace velmora
