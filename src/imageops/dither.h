// Dithering to 1 bit.
#pragma once

#include "imageops/picture.h"

namespace velmora {

struct Settings;

// Values of the Dither keyword list.
enum DitherAlgorithm {
    kDitherFs = 0,
    kDitherBayer4 = 1,
    kDitherBayer8 = 2,
    kDitherBayer16 = 3,
    kDitherCluster6 = 4,
    kDitherCluster8 = 5,
    kDitherCluster16 = 6,
};

// The FreeImage dither of a DitherAlgorithm value; Floyd-Steinberg for unknown ones.
FREE_IMAGE_DITHER DitherAlgorithmFor(int algorithm);

struct DitherRequest {
    bool enabled = false;
    int algorithm = kDitherFs; // DitherAlgorithm
};
DitherRequest DitherRequestFrom(const Settings& settings);

// Makes a 1-bit picture with the request's algorithm when enabled.
Picture ApplyDither(Picture picture, const DitherRequest& request);

} // namespace velmora
