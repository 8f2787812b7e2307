// What the watermark step is asked to lay over the picture. The watermark itself is drawn
// by the drawing library (drawn/watermark.h); the program builds the request.
#pragma once

#include "imageops/frame_request.h"
#include "settings/keywords.h"

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

struct Settings;

struct SizeRequest {
    SizeMode mode = SizeMode::Fixed;
    int scale = 100; // percent of the boundary's width, for Proportional
};

// Where and how large the layer goes.
struct WatermarkPlacement {
    int64_t rotation = 0, xOffset = 0, yOffset = 0;
    Boundary boundary = Boundary::Image;
    Position position = Position::TopLeft;
    SizeRequest size;
};

// The text layer: the text in the loaded watermark font, in fontColor at textOpacity over
// a box of backColor at backOpacity.
struct TextWatermark {
    std::string text; // placeholders already replaced
    int64_t padding = 0, leading = 0;
    Alignment alignment = Alignment::Left;
    bool antialiasing = false;
    std::string fontColor = "FFFFFF", backColor = "000000";
    int32_t textOpacity = 255, backOpacity = 1;
};

// The picture layer: the picture file, optionally grey, its alpha scaled by opacity.
struct PictureWatermark {
    std::string file;
    int32_t opacity = 255;
    bool greyscale = false;
};

struct WatermarkRequest {
    WatermarkKind kind = WatermarkKind::None;
    TextWatermark text;
    PictureWatermark picture;
    WatermarkPlacement placement; // of the kind asked for
    // The frame's bands when a frame is drawn: the FRAME boundary is the area inside them.
    std::optional<FrameBands> frame = {};
};
// expandedText is the watermark text with its placeholders replaced for the current file.
WatermarkRequest WatermarkRequestFrom(const Settings& settings, std::string expandedText);

} // namespace velmora
