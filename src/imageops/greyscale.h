// Conversion to 8-bit grey levels.
#pragma once

#include "imageops/picture.h"

namespace velmora {

// Makes the picture 8-bit greyscale when DoImageGreyscale is set; pictures above 32 bits
// pass through 24 bits first.
Picture ApplyGreyscale(Picture picture);

} // namespace velmora
