// The watermark step: a text or picture layer turned, sized by its size mode, cut to the
// area it may cover, anchored at one of nine positions and laid over the picture by its
// alpha.
#pragma once

#include "imageops/picture.h"
#include "imageops/watermark_request.h"

#include <cstdint>
#include <string>

namespace velmora {

struct LayerPosition {
    int64_t x = 0, y = 0; // top-left corner of the layer in the picture
    bool operator==(const LayerPosition&) const = default;
};

// With a watermark asked for, gives the picture back as 24 bits with the text layer or the
// picture layer over it, turned, sized by its size mode, cut to fit and anchored; width and
// height are its size after resizing. Without a layer the picture comes back unmarked; a
// layer that cannot be sized, or is cut to nothing by its offsets, fails the picture: it
// comes back as none.
Picture ApplyWatermark(Picture picture, const WatermarkRequest& request, int width, int height);

// The layer turned by the placement's rotation when it is 1..359 degrees; the uncovered
// corners are transparent.
Picture RotateWatermark(Picture layer, const WatermarkPlacement& placement);

// The turned layer at the size its size mode asks for (see watermark_size.h): text is
// laid out again at a scaled font, a picture rescaled. None when the scaled text cannot be
// drawn.
Picture SizeWatermark(Picture layer, const WatermarkRequest& request, int width, int height);

// The top-left part of the layer that fits the area (the picture, or the frame's inner
// area for the FRAME boundary) less the offsets; none when nothing is left.
Picture FitWatermark(Picture layer, const WatermarkRequest& request, int width, int height,
                     int layerWidth, int layerHeight);

// Where the layer's top-left corner goes for the watermark's position, offsets and
// boundary. A centred axis ignores its offset.
LayerPosition WatermarkPosition(const WatermarkRequest& request, int width, int height,
                                int layerWidth, int layerHeight);

} // namespace velmora
