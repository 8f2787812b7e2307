// Colour adjustment on FreeImage_AdjustColors, which works on 8-, 24- and 32-bit pictures.
#include "imageops/color_adjustment.h"

#include "settings/settings.h"

namespace velmora {

ColorAdjustmentRequest ColorAdjustmentRequestFrom(const Settings& s) {
    return {.enabled = s.DoImageColorCorrection != 0,
            .brightness = s.ImageBrightness,
            .contrast = s.ImageContrast,
            .gamma = s.ImageGamma,
            .invert = s.ImageInvert != 0};
}

Picture ApplyColorAdjustment(Picture picture, const ColorAdjustmentRequest& request) {
    if (!picture || !request.enabled)
        return picture;
    // FreeImage_AdjustColors refuses 16-bit (5-6-5 and 5-5-5) pictures, which would leave
    // the adjustment silently undone; they go to 24 bits like the shallow and deep ones.
    unsigned bpp = FreeImage_GetBPP(picture.get());
    if (bpp < 8 || bpp == 16 || bpp > 32)
        picture = Picture(FreeImage_ConvertTo24Bits(picture.get()));
    if (!picture)
        return picture;
    // A picture the call cannot adjust stays as it is.
    FreeImage_AdjustColors(picture.get(), request.brightness, request.contrast, request.gamma,
                           request.invert ? TRUE : FALSE);
    return picture;
}

} // namespace velmora
