// Dithering to 1 bit.
#pragma once

#include "imageops/picture.h"

namespace velmora {

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

// The FreeImage dither of an ImageDitherAlgorithm value; Floyd-Steinberg for unknown ones.
FREE_IMAGE_DITHER DitherAlgorithmFor(int algorithm);

// Makes a 1-bit picture with ImageDitherAlgorithm when DoImageDither is set.
Picture ApplyDither(Picture picture);

} // namespace velmora
