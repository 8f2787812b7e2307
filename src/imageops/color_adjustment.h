// Brightness, contrast, gamma and invert in one pass.
#pragma once

#include "imageops/picture.h"

namespace velmora {

// Applies ImageBrightness, ImageContrast (percent, -100..100), ImageGamma and ImageInvert
// when DoImageColorCorrection is set. Pictures below 8 or above 32 bits become 24 bits.
Picture ApplyColorAdjustment(Picture picture);

} // namespace velmora
