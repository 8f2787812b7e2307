// Brightness, contrast, gamma and invert in one pass.
#pragma once

#include "imageops/picture.h"
#include "settings/value_range.h"

#include <cstdint>

namespace velmora {

struct Settings;

struct ColorAdjustmentRequest {
    bool enabled = false;
    int32_t brightness = 0, contrast = 0;
    float gamma = 1.0f;
    bool invert = false;
};
ColorAdjustmentRequest ColorAdjustmentRequestFrom(const Settings& settings);

// Applies the brightness, contrast, gamma and invert when enabled. Pictures below 8 or above
// 32 bits become 24 bits.
Picture ApplyColorAdjustment(Picture picture, const ColorAdjustmentRequest& request);

} // namespace velmora
