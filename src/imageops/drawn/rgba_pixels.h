// Pixels as the drawing facility exchanges them: 8-bit red, green, blue, alpha, straight
// (not premultiplied) alpha, rows from the top.
#pragma once

#include "imageops/color.h"
#include "imageops/raster_bound.h"

#include <cstdint>
#include <vector>

namespace velmora {

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
