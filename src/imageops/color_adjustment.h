// Brightness, contrast, gamma and invert in one pass.
#pragma once

#include "imageops/picture.h"
#include "imageops/value_range.h"

#include <cstdint>

namespace velmora {

struct Settings;

constexpr ValueRange<int32_t> kBrightnessRange{-100, 100}; // percent
constexpr ValueRange<int32_t> kContrastRange{-100, 100};   // percent
constexpr ValueRange<float> kGammaRange{0.01f, 9.99f};

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
