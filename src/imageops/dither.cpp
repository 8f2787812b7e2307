// Dither on FreeImage_Dither, which reads 4- to 32-bit standard bitmaps.
#include "imageops/dither.h"

#include "settings/settings.h"

#include <iterator>

namespace velmora {

FREE_IMAGE_DITHER DitherAlgorithmFor(int algorithm) {
    // Indexed by the keyword list, whose order is not FreeImage's: FID_BAYER16x16 is its last.
    static constexpr FREE_IMAGE_DITHER kDithers[] = {
        FID_FS,         FID_BAYER4x4,   FID_BAYER8x8,    FID_BAYER16x16,
        FID_CLUSTER6x6, FID_CLUSTER8x8, FID_CLUSTER16x16};
    bool known = algorithm >= 0 && algorithm < static_cast<int>(std::size(kDithers));
    return known ? kDithers[algorithm] : FID_FS;
}

DitherRequest DitherRequestFrom(const Settings& s) {
    return {s.DoImageDither != 0, s.ImageDitherAlgorithm};
}

Picture ApplyDither(Picture picture, const DitherRequest& request) {
    if (!picture || !request.enabled)
        return picture;
    // A 1-bit result of the threshold step is dithered again through 24 bits.
    picture = WithFourToThirtyTwoBits(std::move(picture));
    if (!picture)
        return picture;
    return Picture(FreeImage_Dither(picture.get(), DitherAlgorithmFor(request.algorithm)));
}

} // namespace velmora
