// PNG in memory through libpng's simplified API: decoding theme pictures and
// encoding drawn layers for the hand-over to FreeImage.
#pragma once

#include "imageops/drawn/rgba_pixels.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace velmora {

// Any PNG libpng reads (palette, grey, 16 bits, with or without alpha) as 8-bit RGBA.
// nullopt for a damaged or truncated file, or one larger than a raster may be.
std::optional<RgbaPixels> DecodePng(std::span<const uint8_t> bytes);

// An RGBA PNG of the pixels; nullopt when libpng refuses them.
std::optional<std::vector<uint8_t>> EncodePng(const RgbaPixels& pixels);

} // namespace velmora
