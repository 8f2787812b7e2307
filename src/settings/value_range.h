// The ranges of values settings take, each declared once: the console's checks, the window's
// controls, the help and the steps that refuse other values all read them here.
#pragma once

#include <cstdint>

namespace velmora {

template <typename T> struct ValueRange {
    T minimum;
    T maximum;
    // Written so that NaN is outside every range.
    constexpr bool Contains(T value) const { return value >= minimum && value <= maximum; }
};

constexpr ValueRange<int32_t> kBrightnessRange{-100, 100}; // percent
constexpr ValueRange<int32_t> kContrastRange{-100, 100};   // percent
constexpr ValueRange<float> kGammaRange{0.01f, 9.99f};
// The degrees that may be asked for; only 1..359 turn the picture.
constexpr ValueRange<int32_t> kRotationDegreesRange{-360, 360};
// The levels the window offers; the console passes any number, whose low 8 bits count.
constexpr ValueRange<int32_t> kThresholdRange{0, 255};
constexpr ValueRange<int32_t> kFrameOpacityRange{0, 255};
constexpr ValueRange<int32_t> kWatermarkOpacityRange{0, 255};
constexpr ValueRange<int32_t> kWatermarkScaleRange{1, 100};       // percent
constexpr ValueRange<int32_t> kWatermarkRotationRange{-360, 360}; // only 1..359 turn
// Points at 96 dots per inch; a larger text would need a raster no watermark gets.
constexpr ValueRange<int32_t> kFontSizeRange{1, 2000};
// A JPEG's or WebP's quality as stored and offered; a run refuses 0.
constexpr ValueRange<int32_t> kQualityRange{0, 100};
// How many recent output folders the window remembers.
constexpr ValueRange<int32_t> kOutFoldersNumberRange{1, 50};

} // namespace velmora
