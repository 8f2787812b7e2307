// Decoded pictures as the drawing facility exchanges them: 8-bit red, green, blue, alpha,
// straight (not premultiplied) alpha, rows from the top. Also the one bound every raster
// and decoded picture must meet before memory is asked for it.
#pragma once

#include "imageops/color.h"

#include <cstdint>
#include <vector>

namespace velmora {

// cairo's image surfaces stop at 32767 pixels a side; the pixel count keeps one raster
// within 1 GiB.
constexpr int64_t kMaxRasterSide = 32767;
constexpr int64_t kMaxRasterPixels = int64_t{1} << 28;

// True when a raster of this size may be made. Sizes come from input (picture headers,
// font sizes, paddings), so they are checked before they size anything.
inline bool RasterSizeAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxRasterSide && height <= kMaxRasterSide &&
           width * height <= kMaxRasterPixels;
}

struct RgbaPixels {
    int width = 0, height = 0;
    // The source carried an alpha channel of its own (a 32-bit picture).
    bool hasAlpha = false;
    std::vector<uint8_t> rgba; // width * height * 4 bytes

    Rgba At(int x, int y) const {
        const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    void Set(int x, int y, Rgba c) {
        uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        p[0] = c.red;
        p[1] = c.green;
        p[2] = c.blue;
        p[3] = c.alpha;
    }
};

// Pixels of the given size, all zero (transparent black). The caller has checked the size
// with RasterSizeAllowed.
inline RgbaPixels MakeRgbaPixels(int width, int height, bool hasAlpha) {
    RgbaPixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.hasAlpha = hasAlpha;
    pixels.rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    return pixels;
}

} // namespace velmora
