// Resize on FreeImage_Rescale. The targets come from the user, so the size they resolve
// to is checked before FreeImage is asked for it.
#include "imageops/resize.h"

#include "settings/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace velmora {
namespace {

int32_t SaturatedInt32(double value) {
    if (!(value > INT32_MIN))
        return INT32_MIN;
    if (!(value < INT32_MAX))
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

// The other side of a picture whose ratio is kept: the ratio and the quotient both pass
// through a 32-bit float, and halves round away from zero.
int32_t FollowingSide(int32_t target, int32_t longer, int32_t shorter) {
    float ratio = static_cast<float>(static_cast<double>(longer) / shorter);
    float side = static_cast<float>(target / static_cast<double>(ratio));
    return SaturatedInt32(std::round(side));
}

// Counted at 24 bits per pixel or more, as FreeImage_Rescale widens palette pictures; FreeImage
// also works out a row's width in bits in 32 bits.
bool FitsInMemory(int64_t width, int64_t height, int64_t bpp) {
    int64_t bitsPerPixel = std::max<int64_t>(bpp, 24);
    if (width > INT32_MAX / bitsPerPixel)
        return false;
    int64_t rowBytes = (width * bitsPerPixel + 7) / 8;
    return height <= kMaxResizedBytes / rowBytes;
}

} // namespace

int32_t ResolveSize(int32_t value, SizeUnit unit, int32_t current) {
    switch (unit) {
    case SizeUnit::Pixels:
        return value;
    case SizeUnit::Percent:
        // Ties to even, as nearbyint rounds in the default mode: 50 percent of 5 is 2.
        return SaturatedInt32(std::nearbyint(value / 100.0 * current));
    }
    return 0;
}

FREE_IMAGE_FILTER ResizeFilterFor(ResizeAlgorithm algorithm) {
    switch (algorithm) {
    case ResizeAlgorithm::Box:
        return FILTER_BOX;
    case ResizeAlgorithm::Bilinear:
        return FILTER_BILINEAR;
    case ResizeAlgorithm::Bspline:
        return FILTER_BSPLINE;
    case ResizeAlgorithm::Bicubic:
        return FILTER_BICUBIC;
    case ResizeAlgorithm::CatmullRom:
        return FILTER_CATMULLROM;
    case ResizeAlgorithm::Lanczos:
        return FILTER_LANCZOS3;
    }
    return FILTER_BICUBIC;
}

ResizeRequest ResizeRequestFrom(const Settings& s) {
    return {.enabled = s.DoImageResize != 0,
            .width = s.ImageWidth,
            .height = s.ImageHeight,
            .widthUnit = ChoiceOf<SizeUnit>(s.ImageWidthUnit),
            .heightUnit = ChoiceOf<SizeUnit>(s.ImageHeightUnit),
            .keepAspectRatio = s.KeepAspectRatio != 0,
            .type = ChoiceOf<ResizeType>(s.ImageResizeType),
            .algorithm = ChoiceOf<ResizeAlgorithm>(s.ImageResizeAlgorithm)};
}

Picture ApplyResize(Picture picture, const ResizeRequest& request, int width, int height) {
    if (!picture || !request.enabled)
        return picture;
    int32_t targetWidth = ResolveSize(request.width, request.widthUnit, width);
    int32_t targetHeight = ResolveSize(request.height, request.heightUnit, height);
    if (targetWidth <= 0 || targetHeight <= 0)
        return picture;
    if (targetWidth == width && targetHeight == height)
        return picture;
    if (request.type == ResizeType::LargeImages && width < targetWidth && height < targetHeight)
        return picture;

    int32_t newWidth = targetWidth, newHeight = targetHeight;
    if (request.keepAspectRatio) {
        if (width >= height)
            newHeight = FollowingSide(targetWidth, width, height);
        else
            newWidth = FollowingSide(targetHeight, height, width);
    }
    // FreeImage_Rescale refuses an empty side itself; a side too large for memory must
    // not reach it, since the allocation might succeed and fail only when touched.
    if (newWidth <= 0 || newHeight <= 0 ||
        !FitsInMemory(newWidth, newHeight, FreeImage_GetBPP(picture.get())))
        return nullptr;
    return Picture(
        FreeImage_Rescale(picture.get(), newWidth, newHeight, ResizeFilterFor(request.algorithm)));
}

} // namespace velmora
