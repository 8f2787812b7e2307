// JPEG decoding for the picture watermark, through libjpeg.
#pragma once

#include "imageops/drawn/rgba_pixels.h"

#include <cstdint>
#include <optional>
#include <span>

namespace velmora {

// Colour and grey JPEGs as opaque 8-bit RGBA. nullopt for a damaged or truncated file, a
// colour space other than grey or YCbCr/RGB, or a size no raster may have.
std::optional<RgbaPixels> DecodeJpeg(std::span<const uint8_t> bytes);

} // namespace velmora
