// Scaling to a target size in pixels or percent, optionally keeping the aspect ratio and
// optionally only for pictures larger than the target.
#pragma once

#include "imageops/picture.h"
#include "settings/keywords.h"

#include <cstdint>

namespace velmora {

struct Settings;

// Largest picture a resize may produce; a larger target fails the file instead.
constexpr int64_t kMaxResizedBytes = int64_t{2} << 30;

// One target in pixels: the value itself, a percentage of current, or 0 for an unknown
// unit (which makes the resize skip the picture).
int32_t ResolveSize(int32_t value, SizeUnit unit, int32_t current);

// The FreeImage filter of a resize algorithm; bicubic for a value outside the list.
FREE_IMAGE_FILTER ResizeFilterFor(ResizeAlgorithm algorithm);

struct ResizeRequest {
    bool enabled = false;
    int32_t width = 0, height = 0; // targets in their units
    SizeUnit widthUnit = SizeUnit::Pixels, heightUnit = SizeUnit::Pixels;
    bool keepAspectRatio = true;
    ResizeType type = ResizeType::AllImages;
    ResizeAlgorithm algorithm = ResizeAlgorithm::Bicubic;
};
ResizeRequest ResizeRequestFrom(const Settings& settings);

// Scales the picture as asked; width and height are its current size.
Picture ApplyResize(Picture picture, const ResizeRequest& request, int width, int height);

} // namespace velmora
