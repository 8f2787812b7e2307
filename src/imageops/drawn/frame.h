// Solid frame: four bands of their own colour and width painted over the picture's edges,
// meeting on mitred corners.
#pragma once

#include "imageops/frame_request.h"
#include "imageops/picture.h"

namespace velmora {

// With a frame asked for, gives the picture back as 24 bits with the solid frame painted
// over it at the request's opacity; width and height are its size after resizing. When the
// frame layer cannot be made (a size no raster may have, a band beyond what can be drawn)
// the picture comes back unframed.
Picture ApplyFrame(Picture picture, const FrameRequest& request, int width, int height);

} // namespace velmora
