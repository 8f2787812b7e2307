// Tone mapping on FreeImage's operators. Only the 48-bit load modes produce a picture with
// more range than 24 bits can show, so the other modes leave the picture alone.
#include "imageops/tone_mapping.h"

#include "settings/keywords.h"
#include "settings/settings.h"

namespace velmora {

ToneMappingRequest ToneMappingRequestFrom(const Settings& s) {
    return {s.RawLoadAs == kRaw48HS || s.RawLoadAs == kRaw48, s.RawToneMapping};
}

bool ToneMappingRendersForDisplay(const ToneMappingRequest& request) {
    int mapping = request.mapping;
    return request.decodedWithMoreRange &&
           (mapping == kToneMappingAl || mapping == kToneMappingDrr || mapping == kToneMappingGd);
}

Picture ApplyToneMapping(Picture picture, const ToneMappingRequest& request) {
    if (!picture || !request.decodedWithMoreRange)
        return picture;
    FIBITMAP* bitmap = picture.get();
    switch (request.mapping) {
    case kToneMappingLinear:
        return Picture(FreeImage_ConvertTo24Bits(bitmap));
    case kToneMappingAl:
        return Picture(FreeImage_TmoDrago03(bitmap, 2.2, 0.0));
    case kToneMappingDrr:
        return Picture(FreeImage_TmoReinhard05(bitmap, 0.0, 0.0));
    case kToneMappingGd:
        return Picture(FreeImage_TmoFattal02(bitmap, 0.5, 0.85));
    default:
        return picture;
    }
}

} // namespace velmora
