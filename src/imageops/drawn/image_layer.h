// The picture watermark's layer: the WatermarkImage picture, optionally grey, its alpha
// scaled by ImageOpacity.
#pragma once

#include "imageops/color.h"
#include "imageops/picture.h"

namespace velmora {

// Grey of a colour by integer weights summing to 256, keeping its alpha.
Rgba GreyFilter(Rgba colour);

// A 32-bit bitmap with alpha of the picture file; none when the file cannot be read or
// decoded.
Picture BuildImageLayer();

} // namespace velmora
