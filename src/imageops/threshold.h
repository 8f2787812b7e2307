// Black and white by a threshold level.
#pragma once

#include "imageops/picture.h"
#include "imageops/value_range.h"

#include <cstdint>

namespace velmora {

struct Settings;

// The levels the window offers; the console passes any number, whose low 8 bits count.
constexpr ValueRange<int32_t> kThresholdRange{0, 255};

struct ThresholdRequest {
    bool enabled = false;
    int32_t level = 0;
};
ThresholdRequest ThresholdRequestFrom(const Settings& settings);

// Makes a 1-bit picture when enabled: pixels whose grey level reaches the low 8 bits of the
// level are white, the others black.
Picture ApplyThreshold(Picture picture, const ThresholdRequest& request);

} // namespace velmora
