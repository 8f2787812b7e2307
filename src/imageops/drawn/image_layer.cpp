#include "imageops/drawn/image_layer.h"

#include "imageops/watermark_picture.h"

#include <algorithm>

namespace velmora {
namespace {

// Each pixel is rewritten, not blended: a picture without alpha is a rectangle of
// the opacity, one with alpha keeps its own shape.
void FadeAndGrey(FIBITMAP* layer, int opacity, bool grey) {
    unsigned width = FreeImage_GetWidth(layer), height = FreeImage_GetHeight(layer);
    for (unsigned y = 0; y < height; ++y) {
        BYTE* p = FreeImage_GetScanLine(layer, static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x, p += 4) {
            Rgba c{p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE], p[FI_RGBA_ALPHA]};
            if (grey)
                c = GreyFilter(c);
            p[FI_RGBA_RED] = c.red;
            p[FI_RGBA_GREEN] = c.green;
            p[FI_RGBA_BLUE] = c.blue;
            p[FI_RGBA_ALPHA] = static_cast<BYTE>((c.alpha * opacity + 127) / 255);
        }
    }
}

} // namespace

Rgba GreyFilter(Rgba c) {
    auto grey = static_cast<uint8_t>((77 * c.red + 150 * c.green + 29 * c.blue) >> 8);
    return {grey, grey, grey, c.alpha};
}

Picture BuildImageLayer(const PictureWatermark& request) {
    Picture layer = LoadWatermarkPicture(request.file);
    if (layer)
        FadeAndGrey(layer.get(), std::clamp(request.opacity, 0, 255), request.greyscale);
    return layer;
}

} // namespace velmora
