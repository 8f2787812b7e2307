#include "imageops/drawn/image_layer.h"

#include "imageops/drawn/picture_io.h"
#include "settings/settings.h"

#include <algorithm>
#include <new>

namespace velmora {
namespace {

Picture DrawImageLayer() {
    auto pixels = DecodePictureFile(gSettings.WatermarkImage);
    if (!pixels)
        return nullptr;
    // Each pixel is written, not blended: a picture without alpha becomes a rectangle of
    // ImageOpacity, one with alpha keeps its own shape.
    int opacity = std::clamp(gSettings.ImageOpacity, 0, 255);
    bool grey = gSettings.ImageGreyscale != 0;
    for (int y = 0; y < pixels->height; ++y)
        for (int x = 0; x < pixels->width; ++x) {
            Rgba c = pixels->At(x, y);
            if (grey)
                c = GreyFilter(c);
            c.alpha = static_cast<uint8_t>((c.alpha * opacity + 127) / 255);
            pixels->Set(x, y, c);
        }
    return HandOverToFreeImage(*pixels);
}

} // namespace

Rgba GreyFilter(Rgba c) {
    auto grey = static_cast<uint8_t>((77 * c.red + 150 * c.green + 29 * c.blue) >> 8);
    return {grey, grey, grey, c.alpha};
}

Picture BuildImageLayer() {
    // A picture too large for the memory left fails that layer, not the run.
    try {
        return DrawImageLayer();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace velmora
