// Dither on FreeImage_Dither, which reads 4- to 32-bit standard bitmaps.
#include "imageops/dither.h"

#include "settings/settings.h"

namespace velmora {

FREE_IMAGE_DITHER DitherAlgorithmFor(DitherAlgorithm algorithm) {
    switch (algorithm) {
    case DitherAlgorithm::Fs:
        return FID_FS;
    case DitherAlgorithm::Bayer4:
        return FID_BAYER4x4;
    case DitherAlgorithm::Bayer8:
        return FID_BAYER8x8;
    case DitherAlgorithm::Bayer16:
        return FID_BAYER16x16;
    case DitherAlgorithm::Cluster6:
        return FID_CLUSTER6x6;
    case DitherAlgorithm::Cluster8:
        return FID_CLUSTER8x8;
    case DitherAlgorithm::Cluster16:
        return FID_CLUSTER16x16;
    }
    return FID_FS;
}

DitherRequest DitherRequestFrom(const Settings& s) {
    return {.enabled = s.DoImageDither != 0,
            .algorithm = ChoiceOf<DitherAlgorithm>(s.ImageDitherAlgorithm)};
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
