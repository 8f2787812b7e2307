// Dithering to 1 bit.
#pragma once

#include "imageops/picture.h"
#include "settings/keywords.h"

namespace velmora {

struct Settings;

// The FreeImage dither of an algorithm; Floyd-Steinberg for a value outside the list.
FREE_IMAGE_DITHER DitherAlgorithmFor(DitherAlgorithm algorithm);

struct DitherRequest {
    bool enabled = false;
    DitherAlgorithm algorithm = DitherAlgorithm::Fs;
};
DitherRequest DitherRequestFrom(const Settings& settings);

// Makes a 1-bit picture with the request's algorithm when enabled.
Picture ApplyDither(Picture picture, const DitherRequest& request);

} // namespace velmora
