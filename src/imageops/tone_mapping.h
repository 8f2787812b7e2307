// Tone mapping of high-dynamic-range camera decodes down to 24 bits.
#pragma once

#include "imageops/picture.h"

namespace velmora {

// Values of the ToneMapping keyword list.
enum ToneMapping {
    kToneMappingNone = 0,
    kToneMappingLinear = 1,
    kToneMappingAl = 2,
    kToneMappingDrr = 3,
    kToneMappingGd = 4,
};

// Maps the picture with the RawToneMapping operator, but only when RawLoadAs asked the
// camera decoder for 48 bits (48HS or 48); NONE and unknown values keep the picture.
Picture ApplyToneMapping(Picture picture);

// True when ApplyToneMapping renders the picture for display (the three operators; their
// results are display-referred, as sRGB values are), false when it keeps the linear values.
bool ToneMappingRendersForDisplay();

} // namespace velmora
