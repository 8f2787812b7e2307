// The 23 numbered keyword lists: a keyword setting holds its word's position in its list.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace velmora {

enum KeywordList : int {
    kDdsLoadAsList = 0,
    kRawLoadAsList = 1,
    kFrameLoadingList = 2,
    kToneMappingList = 3,
    kCompressionList = 4,
    kColorTableList = 5,
    kColorModeList = 6,
    kChromaList = 7,
    kJpegSaveAsList = 8,
    kRotationTypeList = 9,
    kUnitList = 10,
    kResizeTypeList = 11,
    kResizeAlgorithmList = 12,
    kDitherList = 13,
    kFrameKindList = 14,
    kWatermarkKindList = 15,
    kFontStyleList = 16,
    kFontEffectList = 17,
    kAlignmentList = 18,
    kBoundaryList = 19,
    kPositionList = 20,
    kSizeModeList = 21,
    kTimestampList = 22,
};
constexpr int kKeywordListCount = 23;

// Values of the lists the engine branches on.
enum RawLoadAs { kRawAuto = 0, kRaw8 = 1, kRaw16 = 2, kRaw24 = 3, kRaw48HS = 4, kRaw48 = 5 };
enum Timestamp { kTimestampCurrent = 0, kTimestampOriginal = 1, kTimestampCustom = 2 };
enum WatermarkKind { kWatermarkNone = 0, kWatermarkText = 1, kWatermarkImage = 2 };
enum FrameKind { kFrameNone = 0, kFrameSolid = 1 };
enum FontStyle { kFontRegular = 0, kFontBold = 1, kFontItalic = 2, kFontBoldItalic = 3 };
enum FontEffect { kFontEffectNone = 0, kFontUnderline = 1, kFontStrikethrough = 2 };
enum ColorMode { kColorRgb = 0, kColorCmyk = 1, kColorLab = 2 };
enum SizeMode { kSizeFixed = 0, kSizeProportional = 1, kSizeFit = 2, kSizeFill = 3 };

// Word to value, ignoring case; an unknown word gives 0. The Compression list
// recognises the words of every format.
int KeywordToValue(int list, std::string_view word);
// Value to the lower-case word; empty when the value is outside the list. For the
// Compression list the words of the given output format are used ("bmp", "tga", "exr",
// "png" or "tiff").
std::string ValueToKeyword(int list, int value, std::string_view format = {});

} // namespace velmora
