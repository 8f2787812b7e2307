// The entry point the program looks up when it opens this library, and the version it
// checks first.
#include "imageops/drawn/frame.h"
#include "imageops/drawn/watermark.h"
#include "imageops/drawn/watermark_font.h"
#include "imageops/drawn_steps.h"

extern "C" const velmora::DrawnSteps* VelmoraDrawnSteps() {
    static const velmora::DrawnSteps steps = {
        velmora::ApplyFrame,
        velmora::ApplyWatermark,
        velmora::LoadWatermarkFont,
        velmora::FreeWatermarkFont,
    };
    return &steps;
}

extern "C" int VelmoraDrawnStepsAbi() {
    return velmora::kDrawnStepsAbi;
}
