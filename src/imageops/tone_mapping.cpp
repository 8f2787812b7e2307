// Tone mapping on FreeImage's operators. Only the 48-bit load modes produce a picture with
// more range than 24 bits can show, so the other modes leave the picture alone.
#include "imageops/tone_mapping.h"

#include "settings/keywords.h"
#include "settings/settings.h"

namespace velmora {

namespace {

bool DecodedWithMoreRange() {
    return gSettings.RawLoadAs == kRaw48HS || gSettings.RawLoadAs == kRaw48;
}

} // namespace

bool ToneMappingRendersForDisplay() {
    int mapping = gSettings.RawToneMapping;
    return DecodedWithMoreRange() &&
           (mapping == kToneMappingAl || mapping == kToneMappingDrr || mapping == kToneMappingGd);
}

Picture ApplyToneMapping(Picture picture) {
    if (!picture || !DecodedWithMoreRange())
        return picture;
    FIBITMAP* bitmap = picture.get();
    switch (gSettings.RawToneMapping) {
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
