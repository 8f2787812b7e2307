// Rotation and flips on FreeImage. FreeImage_Rotate and FreeImage_RotateEx handle only some
// depths well, so everything but 24 and 32 bits is turned as 24 bits.
#include "imageops/rotation.h"

#include "imageops/color.h"
#include "settings/settings.h"

namespace velmora {

Picture ApplyRotation(Picture picture) {
    if (!picture)
        return picture;
    const Settings& s = gSettings;
    if (!s.DoImageRotation ||
        (s.ImageRotationType != kRotationSimple && s.ImageRotationType != kRotationAdvanced))
        return picture;
    int angle = s.ImageRotation;
    if (angle <= 0 || angle >= 360)
        return picture;

    double width = FreeImage_GetWidth(picture.get());
    double height = FreeImage_GetHeight(picture.get());
    unsigned bpp = FreeImage_GetBPP(picture.get());
    if (bpp <= 16 || bpp > 32)
        picture = Picture(FreeImage_ConvertTo24Bits(picture.get()));
    if (!picture)
        return picture;

    if (s.ImageRotationType == kRotationSimple) {
        Rgba colour = ParseHexColor(s.ImageRotationBackColor);
        RGBQUAD back{};
        back.rgbRed = colour.red;
        back.rgbGreen = colour.green;
        back.rgbBlue = colour.blue;
        back.rgbReserved = 0;
        return Picture(FreeImage_Rotate(picture.get(), angle, &back));
    }
    // The centre is real-valued: an odd width turns about a point between two pixels.
    return Picture(
        FreeImage_RotateEx(picture.get(), angle, 0.0, 0.0, width / 2.0, height / 2.0, FALSE));
}

Picture ApplyFlips(Picture picture) {
    if (!picture)
        return picture;
    if (gSettings.DoImageFlipHorizontal)
        FreeImage_FlipHorizontal(picture.get());
    if (gSettings.DoImageFlipVertical)
        FreeImage_FlipVertical(picture.get());
    return picture;
}

} // namespace velmora
