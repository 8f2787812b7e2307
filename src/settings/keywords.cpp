#include "settings/keywords.h"

#include "platform/text.h"

#include <vector>

namespace velmora {
namespace {

using Words = std::vector<std::string_view>;

const Words& ListWords(int list) {
    static const std::array<Words, kKeywordListCount> lists = {{
        {"AUTO", "BGRA", "RGBA"},
        {"AUTO", "8", "16", "24", "48HS", "48"},
        {"ALL", "FIRST", "MIDDLE", "LAST", "RANDOM"},
        {"NONE", "LINEAR", "AL", "DRR", "GD"},
        {}, // Compression: per format, below
        {"AUTO", "EXACT"},
        {"RGB", "CMYK", "LAB"},
        {"NONE", "LOW", "MEDIUM", "HIGH"},
        {"STANDARD", "SIMPLE", "OPTIMIZED", "PROGRESSIVE"},
        {"SIMPLE", "ADVANCED"},
        {"PIXELS", "PERCENT"},
        {"ALLIMAGES", "LARGEIMAGES"},
        {"BOX", "BILINEAR", "BSPLINE", "BICUBIC", "CATMULLROM", "LANCZOS"},
        {"FS", "BAYER4", "BAYER8", "BAYER16", "CLUSTER6", "CLUSTER8", "CLUSTER16"},
        {"NONE", "SOLID"},
        {"NONE", "TEXT", "IMAGE"},
        {"REGULAR", "BOLD", "ITALIC", "BOLDITALIC"},
        {"NONE", "UNDERLINE", "STRIKETHROUGHT"},
        {"LEFT", "CENTER", "RIGHT"},
        {"IMAGE", "FRAME"},
        {"TOPLEFT", "TOPCENTER", "TOPRIGHT", "MIDDLELEFT", "MIDDLECENTER", "MIDDLERIGHT",
         "BOTTOMLEFT", "BOTTOMCENTER", "BOTTOMRIGHT"},
        {"FIXED", "PROPORTIONAL", "FIT", "FILL"},
        {"CURRENT", "ORIGINAL", "CUSTOM"},
    }};
    return lists[static_cast<size_t>(list)];
}

struct CompressionWords {
    std::string_view format;
    Words words;
};

const std::vector<CompressionWords>& CompressionTable() {
    static const std::vector<CompressionWords> table = {
        {"bmp", {"NONE", "RLE"}},
        {"tga", {"NONE", "RLE"}},
        {"exr", {"NONE", "ZIP", "PIZ", "PXR24", "B44"}},
        {"png", {"NONE", "ZLIB1", "ZLIB6", "ZLIB9"}},
        {"tiff",
         {"NONE", "CCITTFAX3", "CCITTFAX4", "PACKBITS", "DEFLATE", "ADOBEDEFLATE", "LZW", "JPEG",
          "LOGLUV"}},
    };
    return table;
}

int PositionIn(const Words& words, const std::string& upperWord) {
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i] == upperWord)
            return static_cast<int>(i);
    return -1;
}

} // namespace

int KeywordToValue(int list, std::string_view word) {
    if (list < 0 || list >= kKeywordListCount)
        return 0;
    std::string upper = ToUpper(word);
    if (list == kCompressionList) {
        for (const auto& format : CompressionTable()) {
            int position = PositionIn(format.words, upper);
            if (position >= 0)
                return position;
        }
        return 0;
    }
    int position = PositionIn(ListWords(list), upper);
    return position < 0 ? 0 : position;
}

std::string ValueToKeyword(int list, int value, std::string_view format) {
    if (list < 0 || list >= kKeywordListCount || value < 0)
        return {};
    const Words* words = &ListWords(list);
    if (list == kCompressionList) {
        words = nullptr;
        for (const auto& entry : CompressionTable())
            if (entry.format == format)
                words = &entry.words;
        if (!words)
            return {};
    }
    if (static_cast<size_t>(value) >= words->size())
        return {};
    return ToLower((*words)[static_cast<size_t>(value)]);
}

} // namespace velmora
