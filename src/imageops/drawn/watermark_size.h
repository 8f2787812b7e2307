// The size modes of a watermark layer: its natural size (Fixed), a share of the boundary's
// width (Proportional), the largest size the room left by the offsets holds (Fit), or the
// smallest that covers the boundary (Fill), proportions kept in every mode.
#pragma once

#include "imageops/picture.h"
#include "imageops/watermark_request.h"

#include <cstdint>

namespace velmora {

struct Extent {
    int64_t width = 0, height = 0;
};

// The factor a layer of natural size `layer` is scaled by. area is the boundary (the
// picture, or the frame's inner area); room what the offsets leave of it, all the fit rule
// keeps. Lowered where the scaled layer would pass the raster bound; 1 for Fixed, an
// unknown mode or sizes that leave nothing to scale.
double LayerScale(const SizeRequest& request, Extent layer, Extent area, Extent room);

// A picture layer rescaled by factor with FreeImage's filter. Only the top-left part that
// room holds is made, so a filling layer costs no more than the area it covers.
Picture ScalePictureLayer(Picture layer, double factor, Extent room);

} // namespace velmora
