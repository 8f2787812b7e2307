// Threshold on FreeImage_Threshold, which reads 4- to 32-bit standard bitmaps.
#include "imageops/threshold.h"

#include "settings/settings.h"

namespace velmora {

Picture ApplyThreshold(Picture picture) {
    if (!picture || !gSettings.DoImageThreshold)
        return picture;
    picture = WithFourToThirtyTwoBits(std::move(picture));
    if (!picture)
        return picture;
    // The level is a byte to FreeImage: larger values wrap as the setting's low bits.
    BYTE level = static_cast<BYTE>(gSettings.ImageThreshold & 0xFF);
    return Picture(FreeImage_Threshold(picture.get(), level));
}

} // namespace velmora
