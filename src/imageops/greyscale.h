// Conversion to 8-bit grey levels.
#pragma once

#include "imageops/picture.h"

namespace velmora {

struct Settings;

struct GreyscaleRequest {
    bool enabled = false;
};
GreyscaleRequest GreyscaleRequestFrom(const Settings& settings);

// Makes the picture 8-bit greyscale when enabled; pictures above 32 bits pass through
// 24 bits first.
Picture ApplyGreyscale(Picture picture, const GreyscaleRequest& request);

} // namespace velmora
