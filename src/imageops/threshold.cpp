// Threshold on FreeImage_Threshold, which reads 4- to 32-bit standard bitmaps.
#include "imageops/threshold.h"

#include "settings/settings.h"

namespace velmora {

ThresholdRequest ThresholdRequestFrom(const Settings& s) {
    return {.enabled = s.DoImageThreshold != 0, .level = s.ImageThreshold};
}

Picture ApplyThreshold(Picture picture, const ThresholdRequest& request) {
    if (!picture || !request.enabled)
        return picture;
    picture = WithFourToThirtyTwoBits(std::move(picture));
    if (!picture)
        return picture;
    // The level is a byte to FreeImage: larger values wrap as their low bits.
    BYTE level = static_cast<BYTE>(request.level & 0xFF);
    return Picture(FreeImage_Threshold(picture.get(), level));
}

} // namespace velmora
