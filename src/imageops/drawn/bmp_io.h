// Our own small BMP reader for the picture watermark.
#pragma once

#include "imageops/drawn/rgba_pixels.h"

#include <cstdint>
#include <optional>
#include <span>

namespace velmora {

// Windows bitmaps of 1, 4, 8 (palette), 24 and 32 bits, bottom-up or top-down, uncompressed
// (BI_RGB) or, for 32 bits, with channel masks (BI_BITFIELDS). A 32-bit picture has an
// alpha channel only when its masks name one; BI_RGB's fourth byte is padding.
// nullopt for anything else: OS/2 headers, RLE, 16 bits, a truncated file, a size no
// raster may have.
std::optional<RgbaPixels> DecodeBmp(std::span<const uint8_t> bytes);

} // namespace velmora
