// Rotation and flips on FreeImage. FreeImage_Rotate and FreeImage_RotateEx handle only some
// depths well, so everything but 24 and 32 bits is turned as 24 bits.
#include "imageops/rotation.h"

#include "imageops/color.h"
#include "settings/settings.h"

namespace velmora {

RotationRequest RotationRequestFrom(const Settings& s) {
    return {.enabled = s.DoImageRotation != 0,
            .type = ChoiceOf<RotationType>(s.ImageRotationType),
            .degrees = s.ImageRotation,
            .backColor = s.ImageRotationBackColor};
}

FlipRequest FlipRequestFrom(const Settings& s) {
    return {.horizontal = s.DoImageFlipHorizontal != 0, .vertical = s.DoImageFlipVertical != 0};
}

Picture ApplyRotation(Picture picture, const RotationRequest& request) {
    if (!picture)
        return picture;
    if (!request.enabled ||
        (request.type != RotationType::Simple && request.type != RotationType::Advanced))
        return picture;
    int angle = request.degrees;
    if (angle <= 0 || angle >= 360)
        return picture;

    double width = FreeImage_GetWidth(picture.get());
    double height = FreeImage_GetHeight(picture.get());
    unsigned bpp = FreeImage_GetBPP(picture.get());
    if (bpp <= 16 || bpp > 32)
        picture = Picture(FreeImage_ConvertTo24Bits(picture.get()));
    if (!picture)
        return picture;

    if (request.type == RotationType::Simple) {
        Rgba colour = ParseHexColor(request.backColor);
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

Picture ApplyFlips(Picture picture, const FlipRequest& request) {
    if (!picture)
        return picture;
    if (request.horizontal)
        FreeImage_FlipHorizontal(picture.get());
    if (request.vertical)
        FreeImage_FlipVertical(picture.get());
    return picture;
}

} // namespace velmora
