// Tone mapping of high-dynamic-range camera decodes down to 24 bits.
#pragma once

#include "imageops/picture.h"
#include "settings/keywords.h"

namespace velmora {

struct Settings;

struct ToneMappingRequest {
    bool decodedWithMoreRange = false; // the camera decoder was asked for 48 bits (48HS or 48)
    ToneMapping mapping = ToneMapping::None;
};
ToneMappingRequest ToneMappingRequestFrom(const Settings& settings);

// Maps the picture with the request's operator, but only when it was decoded with more
// range; NONE and unknown values keep the picture.
Picture ApplyToneMapping(Picture picture, const ToneMappingRequest& request);

// True when ApplyToneMapping renders the picture for display (the three operators; their
// results are display-referred, as sRGB values are), false when it keeps the linear values.
bool ToneMappingRendersForDisplay(const ToneMappingRequest& request);

} // namespace velmora
