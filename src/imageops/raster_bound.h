// The one bound every raster, decoded picture and drawn layer must meet before memory is
// asked for it.
#pragma once

#include <cstdint>

namespace velmora {

// cairo's image surfaces stop at 32767 pixels a side; the pixel count keeps one 32-bit
// raster within 1 GiB.
constexpr int64_t kMaxRasterSide = 32767;
constexpr int64_t kMaxRasterPixels = int64_t{1} << 28;

// True when a raster of this size may be made. Sizes come from input (picture headers,
// font sizes, paddings), so they are checked before they size anything.
inline bool RasterSizeAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxRasterSide && height <= kMaxRasterSide &&
           width * height <= kMaxRasterPixels;
}

} // namespace velmora
