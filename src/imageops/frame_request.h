// What the solid frame step is asked to draw. The frame itself is drawn by the drawing
// library (drawn/frame.h); the program builds the request.
#pragma once

#include "settings/keywords.h"

#include <cstdint>
#include <string>

namespace velmora {

struct Settings;

// Band widths in pixels, inward from each edge.
struct FrameBands {
    int32_t left = 0, right = 0, top = 0, bottom = 0;
};

struct FrameRequest {
    FrameKind kind = FrameKind::None;
    FrameBands bands;
    // Hex RRGGBB, each band its own.
    std::string leftColor = "000000", rightColor = "000000";
    std::string topColor = "000000", bottomColor = "000000";
    int32_t opacity = 255;
};
FrameRequest FrameRequestFrom(const Settings& settings);

} // namespace velmora
