// Tone mapping on FreeImage's operators. Only the 48-bit load modes produce a picture with
// more range than 24 bits can show, so the other modes leave the picture alone.
#include "imageops/tone_mapping.h"

#include "settings/keywords.h"
#include "settings/settings.h"

namespace velmora {

ToneMappingRequest ToneMappingRequestFrom(const Settings& s) {
    const auto loadAs = ChoiceOf<RawLoadAs>(s.RawLoadAs);
    return {.decodedWithMoreRange =
                loadAs == RawLoadAs::Rgb48HalfSize || loadAs == RawLoadAs::Rgb48,
            .mapping = ChoiceOf<ToneMapping>(s.RawToneMapping)};
}

bool ToneMappingRendersForDisplay(const ToneMappingRequest& request) {
    const ToneMapping mapping = request.mapping;
    return request.decodedWithMoreRange &&
           (mapping == ToneMapping::AdaptiveLogarithmic || mapping == ToneMapping::RangeReduction ||
            mapping == ToneMapping::GradientDomain);
}

Picture ApplyToneMapping(Picture picture, const ToneMappingRequest& request) {
    if (!picture || !request.decodedWithMoreRange)
        return picture;
    FIBITMAP* bitmap = picture.get();
    switch (request.mapping) {
    case ToneMapping::None:
        return picture;
    case ToneMapping::Linear:
        return Picture(FreeImage_ConvertTo24Bits(bitmap));
    case ToneMapping::AdaptiveLogarithmic:
        return Picture(FreeImage_TmoDrago03(bitmap, 2.2, 0.0));
    case ToneMapping::RangeReduction:
        return Picture(FreeImage_TmoReinhard05(bitmap, 0.0, 0.0));
    case ToneMapping::GradientDomain:
        return Picture(FreeImage_TmoFattal02(bitmap, 0.5, 0.85));
    }
    return picture;
}

} // namespace velmora
