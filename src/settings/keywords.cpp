#include "settings/keywords.h"

#include "platform/text.h"

#include <algorithm>
#include <array>

namespace velmora {
namespace {

// By number; the Compression list's words are the four formats' lists together.
constexpr std::array<const ChoiceList*, kKeywordListCount> kNumberedLists = {
    &kDdsLoadModes,   &kRawLoadModes, &kFrameLoadings,    &kToneMappings,     nullptr,
    &kColorTables,    &kColorModes,   &kChromas,          &kJpegSaveModes,    &kRotationTypes,
    &kSizeUnits,      &kResizeTypes,  &kResizeAlgorithms, &kDitherAlgorithms, &kFrameKinds,
    &kWatermarkKinds, &kFontStyles,   &kFontEffects,      &kAlignments,       &kBoundaries,
    &kPositions,      &kSizeModes,    &kTimestamps,
};

// Reading a compression word tries the formats in this order.
struct FormatCompressions {
    std::string_view format;
    const ChoiceList* list;
};
constexpr FormatCompressions kCompressionsByFormat[] = {
    {"bmp", &kRleCompressions}, {"tga", &kRleCompressions},   {"exr", &kExrCompressions},
    {"png", &kPngCompressions}, {"tiff", &kTiffCompressions},
};

constexpr const ChoiceList* kEveryList[] = {
    &kDdsLoadModes,     &kRawLoadModes,    &kFrameLoadings,   &kToneMappings,
    &kRleCompressions,  &kExrCompressions, &kPngCompressions, &kTiffCompressions,
    &kColorTables,      &kColorModes,      &kChromas,         &kJpegSaveModes,
    &kRotationTypes,    &kSizeUnits,       &kResizeTypes,     &kResizeAlgorithms,
    &kDitherAlgorithms, &kFrameKinds,      &kWatermarkKinds,  &kFontStyles,
    &kFontEffects,      &kAlignments,      &kBoundaries,      &kPositions,
    &kSizeModes,        &kTimestamps,      &kUpdateRanges,    &kUiSizes,
    &kFolderHistories,
};
// A setting holds its choice's position: every choice must stand where its value says.
static_assert(std::ranges::all_of(kEveryList, [](const ChoiceList* list) {
    return InListOrder(list->choices);
}));
// Each numbered list stands at its own number. (By index, not by comparing addresses: GCC
// cannot compare a global's address in a constant expression under AddressSanitizer.)
static_assert([] {
    for (size_t i = 0; i < kNumberedLists.size(); ++i)
        if (i != kCompressionList && kNumberedLists[i]->number != static_cast<int>(i))
            return false;
    return true;
}());

int PositionIn(const ChoiceList& list, const std::string& upperWord) {
    for (const Choice& choice : list.choices)
        if (choice.word == upperWord)
            return choice.value;
    return -1;
}

} // namespace

int KeywordToValue(int list, std::string_view word) {
    if (list < 0 || list >= kKeywordListCount)
        return 0;
    std::string upper = ToUpper(word);
    if (list == kCompressionList) {
        for (const FormatCompressions& format : kCompressionsByFormat) {
            int position = PositionIn(*format.list, upper);
            if (position >= 0)
                return position;
        }
        return 0;
    }
    int position = PositionIn(*kNumberedLists[static_cast<size_t>(list)], upper);
    return position < 0 ? 0 : position;
}

std::string ValueToKeyword(const ChoiceList& list, int value) {
    if (value < 0 || static_cast<size_t>(value) >= list.choices.size())
        return {};
    return ToLower(list.choices[static_cast<size_t>(value)].word);
}

std::string ValueToKeyword(int list, int value, std::string_view format) {
    if (list < 0 || list >= kKeywordListCount)
        return {};
    if (list != kCompressionList)
        return ValueToKeyword(*kNumberedLists[static_cast<size_t>(list)], value);
    for (const FormatCompressions& entry : kCompressionsByFormat)
        if (entry.format == format)
            return ValueToKeyword(*entry.list, value);
    return {};
}

} // namespace velmora
