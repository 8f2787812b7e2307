// Black and white by a threshold level.
#pragma once

#include "imageops/picture.h"
#include "settings/value_range.h"

#include <cstdint>

namespace velmora {

struct Settings;

struct ThresholdRequest {
    bool enabled = false;
    int32_t level = 0;
};
ThresholdRequest ThresholdRequestFrom(const Settings& settings);

// Makes a 1-bit picture when enabled: pixels whose grey level reaches the low 8 bits of the
// level are white, the others black.
Picture ApplyThreshold(Picture picture, const ThresholdRequest& request);

} // namespace velmora
