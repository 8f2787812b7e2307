#include "settings/keywords.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora {
namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Mixed case: every other letter lowered ("BiCuBiC").
std::string Mixed(std::string text) {
    for (size_t i = 1; i < text.size(); i += 2)
        text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    return text;
}

struct ListCase {
    int list;
    std::vector<std::string> words;
};

// Every list but Compression, word by word in value order.
const ListCase kLists[] = {
    {kDdsLoadAsList, {"AUTO", "BGRA", "RGBA"}},
    {kRawLoadAsList, {"AUTO", "8", "16", "24", "48HS", "48"}},
    {kFrameLoadingList, {"ALL", "FIRST", "MIDDLE", "LAST", "RANDOM"}},
    {kToneMappingList, {"NONE", "LINEAR", "AL", "DRR", "GD"}},
    {kColorTableList, {"AUTO", "EXACT"}},
    {kColorModeList, {"RGB", "CMYK", "LAB"}},
    {kChromaList, {"NONE", "LOW", "MEDIUM", "HIGH"}},
    {kJpegSaveAsList, {"STANDARD", "SIMPLE", "OPTIMIZED", "PROGRESSIVE"}},
    {kRotationTypeList, {"SIMPLE", "ADVANCED"}},
    {kUnitList, {"PIXELS", "PERCENT"}},
    {kResizeTypeList, {"ALLIMAGES", "LARGEIMAGES"}},
    {kResizeAlgorithmList, {"BOX", "BILINEAR", "BSPLINE", "BICUBIC", "CATMULLROM", "LANCZOS"}},
    {kDitherList, {"FS", "BAYER4", "BAYER8", "BAYER16", "CLUSTER6", "CLUSTER8", "CLUSTER16"}},
    {kFrameKindList, {"NONE", "SOLID"}},
    {kWatermarkKindList, {"NONE", "TEXT", "IMAGE"}},
    {kFontStyleList, {"REGULAR", "BOLD", "ITALIC", "BOLDITALIC"}},
    {kFontEffectList, {"NONE", "UNDERLINE", "STRIKETHROUGHT"}},
    {kAlignmentList, {"LEFT", "CENTER", "RIGHT"}},
    {kBoundaryList, {"IMAGE", "FRAME"}},
    {kPositionList,
     {"TOPLEFT", "TOPCENTER", "TOPRIGHT", "MIDDLELEFT", "MIDDLECENTER", "MIDDLERIGHT", "BOTTOMLEFT",
      "BOTTOMCENTER", "BOTTOMRIGHT"}},
    {kSizeModeList, {"FIXED", "PROPORTIONAL", "FIT", "FILL"}},
    {kTimestampList, {"CURRENT", "ORIGINAL", "CUSTOM"}}};

TEST(KeywordListTest, EveryWordReadsAsItsPositionAndWritesBackInLowerCase) {
    for (const ListCase& c : kLists) {
        for (size_t i = 0; i < c.words.size(); ++i) {
            const int value = static_cast<int>(i);
            SCOPED_TRACE("list " + std::to_string(c.list) + " word " + c.words[i]);
            EXPECT_EQ(KeywordToValue(c.list, c.words[i]), value);
            EXPECT_EQ(KeywordToValue(c.list, Lower(c.words[i])), value);
            EXPECT_EQ(KeywordToValue(c.list, Mixed(c.words[i])), value);
            EXPECT_EQ(ValueToKeyword(c.list, value), Lower(c.words[i]));
        }
        SCOPED_TRACE("list " + std::to_string(c.list));
        EXPECT_EQ(KeywordToValue(c.list, "NOSUCHWORD"), 0);
        EXPECT_EQ(KeywordToValue(c.list, ""), 0);
        EXPECT_EQ(KeywordToValue(c.list, c.words.back() + "2"), 0);
        EXPECT_EQ(ValueToKeyword(c.list, static_cast<int>(c.words.size())), "");
        EXPECT_EQ(ValueToKeyword(c.list, -1), "");
    }
}

TEST(KeywordListTest, ListNumbersOutsideTheTableGiveZeroAndEmpty) {
    for (int list : {-1, kKeywordListCount, 99}) {
        EXPECT_EQ(KeywordToValue(list, "AUTO"), 0) << list;
        EXPECT_EQ(ValueToKeyword(list, 0), "") << list;
    }
}

TEST(CompressionListTest, ReadingKnowsTheWordsOfEveryFormat) {
    struct Case {
        const char* word;
        int value;
    } cases[] = {{"NONE", 0},    {"RLE", 1},          {"ZIP", 1},       {"PIZ", 2},
                 {"PXR24", 3},   {"B44", 4},          {"ZLIB1", 1},     {"ZLIB6", 2},
                 {"zlib9", 3},   {"CCITTFAX3", 1},    {"CCITTFAX4", 2}, {"PACKBITS", 3},
                 {"Deflate", 4}, {"ADOBEDEFLATE", 5}, {"lzw", 6},       {"JPEG", 7},
                 {"LOGLUV", 8},  {"LZW2", 0},         {"", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(KeywordToValue(kCompressionList, c.word), c.value) << c.word;
}

TEST(CompressionListTest, WritingUsesTheWordsOfTheFieldsFormat) {
    struct Case {
        const char* format;
        std::vector<std::string> words;
    } cases[] = {{"bmp", {"none", "rle"}},
                 {"tga", {"none", "rle"}},
                 {"exr", {"none", "zip", "piz", "pxr24", "b44"}},
                 {"png", {"none", "zlib1", "zlib6", "zlib9"}},
                 {"tiff",
                  {"none", "ccittfax3", "ccittfax4", "packbits", "deflate", "adobedeflate", "lzw",
                   "jpeg", "logluv"}}};
    for (const Case& c : cases) {
        for (size_t i = 0; i < c.words.size(); ++i)
            EXPECT_EQ(ValueToKeyword(kCompressionList, static_cast<int>(i), c.format), c.words[i])
                << c.format << " " << i;
        EXPECT_EQ(ValueToKeyword(kCompressionList, static_cast<int>(c.words.size()), c.format), "")
            << c.format;
    }
    for (const char* format : {"jpg", "", "TIFFX"})
        EXPECT_EQ(ValueToKeyword(kCompressionList, 1, format), "") << '"' << format << '"';
}

} // namespace
} // namespace velmora
