// The drawn steps (frame, watermarks and the watermark font) live in their own shared
// library, libvelmora-drawing.so beside the executable, loaded on first use: cairo, pango
// and glib are some thirty libraries that a run without a frame or watermark never needs.
#pragma once

#include "imageops/frame_request.h"
#include "imageops/picture.h"
#include "imageops/watermark_request.h"

#include <string>

namespace velmora {

// The drawing library's interface as this program was built with it: raised whenever
// DrawnSteps or what the library takes from the executable changes.
inline constexpr int kDrawnStepsAbi = 1;

struct DrawnSteps {
    Picture (*applyFrame)(Picture picture, const FrameRequest& request, int width, int height);
    Picture (*applyWatermark)(Picture picture, const WatermarkRequest& request, int width,
                              int height);
    bool (*loadWatermarkFont)(const std::string& face, int pointSize, FontStyle style,
                              FontEffect effect);
    void (*freeWatermarkFont)();
};

// The steps from the library already in the process, or opened now; nullptr when it
// cannot be loaded (the program was installed without it).
const DrawnSteps* LoadDrawnSteps();

} // namespace velmora

// The library's entry point, and the kDrawnStepsAbi it was built with.
extern "C" const velmora::DrawnSteps* VelmoraDrawnSteps();
extern "C" int VelmoraDrawnStepsAbi();
