// The picture watermark's layer: the request's picture, optionally grey, its alpha scaled by
// its opacity.
#pragma once

#include "imageops/color.h"
#include "imageops/picture.h"
#include "imageops/watermark_request.h"

namespace velmora {

// Grey of a colour by integer weights summing to 256, keeping its alpha.
Rgba GreyFilter(Rgba colour);

// A 32-bit bitmap with alpha of the picture file; none when the file cannot be read or
// decoded.
Picture BuildImageLayer(const PictureWatermark& request);

} // namespace velmora
