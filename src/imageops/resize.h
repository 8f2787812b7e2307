// Scaling to a target size in pixels or percent, optionally keeping the aspect ratio and
// optionally only for pictures larger than the target.
#pragma once

#include "imageops/picture.h"

#include <cstdint>

namespace velmora {

struct Settings;

// Values of the Unit, ResizeType and ResizeAlgorithm keyword lists.
enum SizeUnit { kUnitPixels = 0, kUnitPercent = 1 };
enum ResizeType { kResizeAllImages = 0, kResizeLargeImages = 1 };
enum ResizeAlgorithm {
    kResizeBox = 0,
    kResizeBilinear = 1,
    kResizeBspline = 2,
    kResizeBicubic = 3,
    kResizeCatmullRom = 4,
    kResizeLanczos = 5,
};

// Largest picture a resize may produce; a larger target fails the file instead.
constexpr int64_t kMaxResizedBytes = int64_t{2} << 30;

// One target in pixels: the value itself, a percentage of current, or 0 for an unknown
// unit (which makes the resize skip the picture).
int32_t ResolveSize(int32_t value, int unit, int32_t current);

// The FreeImage filter of an ImageResizeAlgorithm value; bicubic for unknown values.
FREE_IMAGE_FILTER ResizeFilterFor(int algorithm);

struct ResizeRequest {
    bool enabled = false;
    int32_t width = 0, height = 0;                         // targets in their units
    int widthUnit = kUnitPixels, heightUnit = kUnitPixels; // SizeUnit
    bool keepAspectRatio = true;
    int type = kResizeAllImages;    // ResizeType
    int algorithm = kResizeBicubic; // ResizeAlgorithm
};
ResizeRequest ResizeRequestFrom(const Settings& settings);

// Scales the picture as asked; width and height are its current size.
Picture ApplyResize(Picture picture, const ResizeRequest& request, int width, int height);

} // namespace velmora
