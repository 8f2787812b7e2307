// Greyscale on FreeImage_ConvertToGreyscale, which reads standard bitmaps only.
#include "imageops/greyscale.h"

#include "settings/settings.h"

namespace velmora {

GreyscaleRequest GreyscaleRequestFrom(const Settings& s) {
    return {.enabled = s.DoImageGreyscale != 0};
}

Picture ApplyGreyscale(Picture picture, const GreyscaleRequest& request) {
    if (!picture || !request.enabled)
        return picture;
    if (FreeImage_GetBPP(picture.get()) > 32)
        picture = Picture(FreeImage_ConvertTo24Bits(picture.get()));
    if (!picture)
        return picture;
    return Picture(FreeImage_ConvertToGreyscale(picture.get()));
}

} // namespace velmora
