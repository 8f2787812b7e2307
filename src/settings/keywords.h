// The choices a setting can hold. Each is an enum class declared together with its list:
// the word the command line, profiles and the debug listing use, and the entry the
// Preferences dialog shows (a key of the catalogue's "Preferences" group). A setting holds
// its choice's position in the list; the 23 lists with words are numbered as the command
// line knows them.
#pragma once

#include <cstdint>
#include <span>
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
// The lists whose choices have no words: only the window offers them.
constexpr int kNoKeywordList = -1;

// One choice of a list. Its value is its position in the list.
struct Choice {
    template <typename Enum>
    constexpr Choice(Enum choice, std::string_view word, std::string_view label)
        : value(static_cast<int>(choice)), word(word), label(label) {}

    int value;
    std::string_view word;  // upper case; "" in a list without words
    std::string_view label; // the Preferences entry
};

struct ChoiceList {
    int number; // KeywordList, or kNoKeywordList
    std::span<const Choice> choices;
};

// True when every choice stands at the position its value names.
constexpr bool InListOrder(std::span<const Choice> choices) {
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i].value != static_cast<int>(i))
            return false;
    return true;
}

// The value a setting field holds for a choice, and the choice a field's value names (a
// value outside the list is kept: no enumerator names it, and each use says what it then
// does).
template <typename Enum> constexpr int ValueOf(Enum choice) {
    return static_cast<int>(choice);
}
template <typename Enum> constexpr Enum ChoiceOf(int value) {
    return static_cast<Enum>(value);
}

enum class DdsLoadAs : int8_t { Auto, Bgra, Rgba };
inline constexpr Choice kDdsLoadAsChoices[] = {
    {DdsLoadAs::Auto, "AUTO", "Auto"},
    {DdsLoadAs::Bgra, "BGRA", "BGRA"},
    {DdsLoadAs::Rgba, "RGBA", "RGBA"},
};

// How a camera file is read: headerless bits of 8 or 16 bits a pixel, or by the camera RAW
// decoder (its embedded preview, or a decode at 24 or 48 bits, the latter at full or half
// size).
enum class RawLoadAs : int8_t { Auto, Bits8, Bits16, Rgb24, Rgb48HalfSize, Rgb48 };
inline constexpr Choice kRawLoadAsChoices[] = {
    {RawLoadAs::Auto, "AUTO", "Auto"},
    {RawLoadAs::Bits8, "8", "RGB8"},
    {RawLoadAs::Bits16, "16", "RGB16"},
    {RawLoadAs::Rgb24, "24", "RGB24"},
    {RawLoadAs::Rgb48HalfSize, "48HS", "RGB48HS"},
    {RawLoadAs::Rgb48, "48", "RGB48"},
};

enum class FrameLoading : int8_t { All, First, Middle, Last, Random };
inline constexpr Choice kFrameLoadingChoices[] = {
    {FrameLoading::All, "ALL", "All Frames"},         {FrameLoading::First, "FIRST", "First Frame"},
    {FrameLoading::Middle, "MIDDLE", "Middle Frame"}, {FrameLoading::Last, "LAST", "Last Frame"},
    {FrameLoading::Random, "RANDOM", "Random Frame"},
};

// The operators that map a 48-bit decode down for display: none, linear, adaptive
// logarithmic (Drago), dynamic range reduction (Reinhard), gradient domain (Fattal).
enum class ToneMapping : int8_t {
    None,
    Linear,
    AdaptiveLogarithmic,
    RangeReduction,
    GradientDomain
};
inline constexpr Choice kToneMappingChoices[] = {
    {ToneMapping::None, "NONE", "None"},
    {ToneMapping::Linear, "LINEAR", "Linear"},
    {ToneMapping::AdaptiveLogarithmic, "AL", "Adaptive Logarithmic"},
    {ToneMapping::RangeReduction, "DRR", "DR Reduction"},
    {ToneMapping::GradientDomain, "GD", "Gradient Domain"},
};

// The Compression list has the words of each format: a word read for any compression
// setting may be any format's (ZLIB6 given for TIFF stores 2, CCITTFAX4), a value is written
// with the words of the setting's own format.
enum class RleCompression : int8_t { None, Rle };
inline constexpr Choice kRleCompressionChoices[] = {
    {RleCompression::None, "NONE", "None"},
    {RleCompression::Rle, "RLE", "RLE"},
};
enum class ExrCompression : int8_t { None, Zip, Piz, Pxr24, B44 };
inline constexpr Choice kExrCompressionChoices[] = {
    {ExrCompression::None, "NONE", "None"}, {ExrCompression::Zip, "ZIP", "ZIP"},
    {ExrCompression::Piz, "PIZ", "PIZ"},    {ExrCompression::Pxr24, "PXR24", "PXR24"},
    {ExrCompression::B44, "B44", "B44"},
};
enum class PngCompression : int8_t { None, Zlib1, Zlib6, Zlib9 };
inline constexpr Choice kPngCompressionChoices[] = {
    {PngCompression::None, "NONE", "None"},
    {PngCompression::Zlib1, "ZLIB1", "ZLIB1"},
    {PngCompression::Zlib6, "ZLIB6", "ZLIB6"},
    {PngCompression::Zlib9, "ZLIB9", "ZLIB9"},
};
enum class TiffCompression : int8_t {
    None,
    CcittFax3,
    CcittFax4,
    PackBits,
    Deflate,
    AdobeDeflate,
    Lzw,
    Jpeg,
    LogLuv,
};
inline constexpr Choice kTiffCompressionChoices[] = {
    {TiffCompression::None, "NONE", "None"},
    {TiffCompression::CcittFax3, "CCITTFAX3", "CCITTFAX3"},
    {TiffCompression::CcittFax4, "CCITTFAX4", "CCITTFAX4"},
    {TiffCompression::PackBits, "PACKBITS", "PACKBITS"},
    {TiffCompression::Deflate, "DEFLATE", "DEFLATE"},
    {TiffCompression::AdobeDeflate, "ADOBEDEFLATE", "ADOBEDEFLATE"},
    {TiffCompression::Lzw, "LZW", "LZW"},
    {TiffCompression::Jpeg, "JPEG", "JPEG"},
    {TiffCompression::LogLuv, "LOGLUV", "LOGLUV"},
};

enum class ColorTable : int8_t { Auto, Exact };
inline constexpr Choice kColorTableChoices[] = {
    {ColorTable::Auto, "AUTO", "Auto"},
    {ColorTable::Exact, "EXACT", "Exact"},
};

enum class ColorMode : int8_t { Rgb, Cmyk, Lab };
inline constexpr Choice kColorModeChoices[] = {
    {ColorMode::Rgb, "RGB", "RGB"},
    {ColorMode::Cmyk, "CMYK", "CMYK"},
    {ColorMode::Lab, "LAB", "LAB"},
};

// JPEG chroma subsampling: none (4:4:4), low (4:2:2), medium (4:2:0), high (4:1:1).
enum class Chroma : int8_t { None, Low, Medium, High };
inline constexpr Choice kChromaChoices[] = {
    {Chroma::None, "NONE", "None"},
    {Chroma::Low, "LOW", "Low"},
    {Chroma::Medium, "MEDIUM", "Medium"},
    {Chroma::High, "HIGH", "High"},
};

enum class JpegSaveAs : int8_t { Standard, Simple, Optimized, Progressive };
inline constexpr Choice kJpegSaveAsChoices[] = {
    {JpegSaveAs::Standard, "STANDARD", "Baseline Standard"},
    {JpegSaveAs::Simple, "SIMPLE", "Baseline Simple"},
    {JpegSaveAs::Optimized, "OPTIMIZED", "Baseline Optimized"},
    {JpegSaveAs::Progressive, "PROGRESSIVE", "Progressive"},
};

// SIMPLE grows the canvas to hold the turned picture; ADVANCED keeps the size.
enum class RotationType : int8_t { Simple, Advanced };
inline constexpr Choice kRotationTypeChoices[] = {
    {RotationType::Simple, "SIMPLE", "Simple Rotation"},
    {RotationType::Advanced, "ADVANCED", "Advanced Rotation"},
};

enum class SizeUnit : int8_t { Pixels, Percent };
inline constexpr Choice kSizeUnitChoices[] = {
    {SizeUnit::Pixels, "PIXELS", "Pixels"},
    {SizeUnit::Percent, "PERCENT", "Percent"},
};

// Every picture, or only pictures larger than the target.
enum class ResizeType : int8_t { AllImages, LargeImages };
inline constexpr Choice kResizeTypeChoices[] = {
    {ResizeType::AllImages, "ALLIMAGES", "All Images"},
    {ResizeType::LargeImages, "LARGEIMAGES", "Large Images"},
};

enum class ResizeAlgorithm : int8_t { Box, Bilinear, Bspline, Bicubic, CatmullRom, Lanczos };
inline constexpr Choice kResizeAlgorithmChoices[] = {
    {ResizeAlgorithm::Box, "BOX", "Box"},
    {ResizeAlgorithm::Bilinear, "BILINEAR", "Bilinear"},
    {ResizeAlgorithm::Bspline, "BSPLINE", "Bspline"},
    {ResizeAlgorithm::Bicubic, "BICUBIC", "Bicubic"},
    {ResizeAlgorithm::CatmullRom, "CATMULLROM", "Catmullrom"},
    {ResizeAlgorithm::Lanczos, "LANCZOS", "Lanczos"},
};

// Floyd-Steinberg, ordered Bayer matrices of 4, 8 and 16, clustered dots of 6, 8 and 16.
enum class DitherAlgorithm : int8_t { Fs, Bayer4, Bayer8, Bayer16, Cluster6, Cluster8, Cluster16 };
inline constexpr Choice kDitherAlgorithmChoices[] = {
    {DitherAlgorithm::Fs, "FS", "FS"},
    {DitherAlgorithm::Bayer4, "BAYER4", "Bayer4"},
    {DitherAlgorithm::Bayer8, "BAYER8", "Bayer8"},
    {DitherAlgorithm::Bayer16, "BAYER16", "Bayer16"},
    {DitherAlgorithm::Cluster6, "CLUSTER6", "Cluster6"},
    {DitherAlgorithm::Cluster8, "CLUSTER8", "Cluster8"},
    {DitherAlgorithm::Cluster16, "CLUSTER16", "Cluster16"},
};

enum class FrameKind : int8_t { None, Solid };
inline constexpr Choice kFrameKindChoices[] = {
    {FrameKind::None, "NONE", "None"},
    {FrameKind::Solid, "SOLID", "Frame Solid"},
};

enum class WatermarkKind : int8_t { None, Text, Image };
inline constexpr Choice kWatermarkKindChoices[] = {
    {WatermarkKind::None, "NONE", "None"},
    {WatermarkKind::Text, "TEXT", "Watermark Text"},
    {WatermarkKind::Image, "IMAGE", "Watermark Image"},
};

enum class FontStyle : int8_t { Regular, Bold, Italic, BoldItalic };
inline constexpr Choice kFontStyleChoices[] = {
    {FontStyle::Regular, "REGULAR", "Regular"},
    {FontStyle::Bold, "BOLD", "Bold"},
    {FontStyle::Italic, "ITALIC", "Italic"},
    {FontStyle::BoldItalic, "BOLDITALIC", "Bold Italic"},
};

// The word keeps the spelling the command line has always taken.
enum class FontEffect : int8_t { None, Underline, Strikethrough };
inline constexpr Choice kFontEffectChoices[] = {
    {FontEffect::None, "NONE", "None"},
    {FontEffect::Underline, "UNDERLINE", "Underline"},
    {FontEffect::Strikethrough, "STRIKETHROUGHT", "Strikeout"},
};

enum class Alignment : int8_t { Left, Center, Right };
inline constexpr Choice kAlignmentChoices[] = {
    {Alignment::Left, "LEFT", "Align Left"},
    {Alignment::Center, "CENTER", "Align Center"},
    {Alignment::Right, "RIGHT", "Align Right"},
};

// What a watermark is placed in: the whole picture, or the area inside the frame.
enum class Boundary : int8_t { Image, Frame };
inline constexpr Choice kBoundaryChoices[] = {
    {Boundary::Image, "IMAGE", "Bound Image"},
    {Boundary::Frame, "FRAME", "Bound Frame"},
};

enum class Position : int8_t {
    TopLeft,
    TopCenter,
    TopRight,
    MiddleLeft,
    MiddleCenter,
    MiddleRight,
    BottomLeft,
    BottomCenter,
    BottomRight,
};
inline constexpr Choice kPositionChoices[] = {
    {Position::TopLeft, "TOPLEFT", "Top-Left"},
    {Position::TopCenter, "TOPCENTER", "Top-Center"},
    {Position::TopRight, "TOPRIGHT", "Top-Right"},
    {Position::MiddleLeft, "MIDDLELEFT", "Middle-Left"},
    {Position::MiddleCenter, "MIDDLECENTER", "Middle-Center"},
    {Position::MiddleRight, "MIDDLERIGHT", "Middle-Right"},
    {Position::BottomLeft, "BOTTOMLEFT", "Bottom-Left"},
    {Position::BottomCenter, "BOTTOMCENTER", "Bottom-Center"},
    {Position::BottomRight, "BOTTOMRIGHT", "Bottom-Right"},
};

// A watermark at its natural size, or scaled: by a percentage of the boundary's width, to fit
// inside it, or to fill it.
enum class SizeMode : int8_t { Fixed, Proportional, Fit, Fill };
inline constexpr Choice kSizeModeChoices[] = {
    {SizeMode::Fixed, "FIXED", "Fixed"},
    {SizeMode::Proportional, "PROPORTIONAL", "Proportional"},
    {SizeMode::Fit, "FIT", "Fit"},
    {SizeMode::Fill, "FILL", "Fill"},
};

// The output file's date: the time it was written, the input's, or a date the user gave.
enum class Timestamp : int8_t { Current, Original, Custom };
inline constexpr Choice kTimestampChoices[] = {
    {Timestamp::Current, "CURRENT", "Current"},
    {Timestamp::Original, "ORIGINAL", "Original"},
    {Timestamp::Custom, "CUSTOM", "Custom"},
};

// Choices only the window offers.
enum class UpdateRange : int8_t {
    EveryDay,
    EveryWeek,
    EveryMonth,
    Every3Months,
    Every6Months,
    Never
};
inline constexpr Choice kUpdateRangeChoices[] = {
    {UpdateRange::EveryDay, "", "Every day"},
    {UpdateRange::EveryWeek, "", "Every week"},
    {UpdateRange::EveryMonth, "", "Every month"},
    {UpdateRange::Every3Months, "", "Every 3 months"},
    {UpdateRange::Every6Months, "", "Every 6 months"},
    {UpdateRange::Never, "", "Never"},
};
enum class UiSize : int8_t { Small, Medium, Large };
inline constexpr Choice kUiSizeChoices[] = {
    {UiSize::Small, "", "Small"},
    {UiSize::Medium, "", "Medium"},
    {UiSize::Large, "", "Large"},
};
// Whether the recent output folders are kept when the window closes.
enum class FolderHistory : int8_t { CleanOnExit, Keep };
inline constexpr Choice kFolderHistoryChoices[] = {
    {FolderHistory::CleanOnExit, "", "Clean On Exit"},
    {FolderHistory::Keep, "", "Keep Folders"},
};

// The lists as the settings name them.
inline constexpr ChoiceList kDdsLoadModes{kDdsLoadAsList, kDdsLoadAsChoices};
inline constexpr ChoiceList kRawLoadModes{kRawLoadAsList, kRawLoadAsChoices};
inline constexpr ChoiceList kFrameLoadings{kFrameLoadingList, kFrameLoadingChoices};
inline constexpr ChoiceList kToneMappings{kToneMappingList, kToneMappingChoices};
inline constexpr ChoiceList kRleCompressions{kCompressionList, kRleCompressionChoices};
inline constexpr ChoiceList kExrCompressions{kCompressionList, kExrCompressionChoices};
inline constexpr ChoiceList kPngCompressions{kCompressionList, kPngCompressionChoices};
inline constexpr ChoiceList kTiffCompressions{kCompressionList, kTiffCompressionChoices};
inline constexpr ChoiceList kColorTables{kColorTableList, kColorTableChoices};
inline constexpr ChoiceList kColorModes{kColorModeList, kColorModeChoices};
inline constexpr ChoiceList kChromas{kChromaList, kChromaChoices};
inline constexpr ChoiceList kJpegSaveModes{kJpegSaveAsList, kJpegSaveAsChoices};
inline constexpr ChoiceList kRotationTypes{kRotationTypeList, kRotationTypeChoices};
inline constexpr ChoiceList kSizeUnits{kUnitList, kSizeUnitChoices};
inline constexpr ChoiceList kResizeTypes{kResizeTypeList, kResizeTypeChoices};
inline constexpr ChoiceList kResizeAlgorithms{kResizeAlgorithmList, kResizeAlgorithmChoices};
inline constexpr ChoiceList kDitherAlgorithms{kDitherList, kDitherAlgorithmChoices};
inline constexpr ChoiceList kFrameKinds{kFrameKindList, kFrameKindChoices};
inline constexpr ChoiceList kWatermarkKinds{kWatermarkKindList, kWatermarkKindChoices};
inline constexpr ChoiceList kFontStyles{kFontStyleList, kFontStyleChoices};
inline constexpr ChoiceList kFontEffects{kFontEffectList, kFontEffectChoices};
inline constexpr ChoiceList kAlignments{kAlignmentList, kAlignmentChoices};
inline constexpr ChoiceList kBoundaries{kBoundaryList, kBoundaryChoices};
inline constexpr ChoiceList kPositions{kPositionList, kPositionChoices};
inline constexpr ChoiceList kSizeModes{kSizeModeList, kSizeModeChoices};
inline constexpr ChoiceList kTimestamps{kTimestampList, kTimestampChoices};
inline constexpr ChoiceList kUpdateRanges{kNoKeywordList, kUpdateRangeChoices};
inline constexpr ChoiceList kUiSizes{kNoKeywordList, kUiSizeChoices};
inline constexpr ChoiceList kFolderHistories{kNoKeywordList, kFolderHistoryChoices};

// Word to value, ignoring case; an unknown word gives 0. The Compression list recognises
// the words of every format.
int KeywordToValue(int list, std::string_view word);
// Value to the lower-case word; empty when the value is outside the list. For the
// Compression list the words of the given output format are used ("bmp", "tga", "exr",
// "png" or "tiff").
std::string ValueToKeyword(int list, int value, std::string_view format = {});
// The same for one list: its own words.
std::string ValueToKeyword(const ChoiceList& list, int value);

} // namespace velmora
