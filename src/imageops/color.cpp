#include "imageops/color.h"

#include <algorithm>
#include <string>

namespace velmora {
namespace {

int HexDigit(char32_t c) {
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    return -1;
}

// Characters, not bytes: a six-character colour with a non-ASCII letter is still six long.
std::u32string Characters(std::string_view text) {
    std::u32string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80)
            out += byte < 0x80 ? static_cast<char32_t>(byte) : U'\uFFFD';
    }
    return out;
}

uint8_t ReadPair(char32_t first, char32_t second) {
    int high = HexDigit(first);
    if (high < 0)
        return 0;
    int low = HexDigit(second);
    return static_cast<uint8_t>(low < 0 ? high : high * 16 + low);
}

} // namespace

Rgba ParseHexColor(std::string_view text) {
    std::u32string c = Characters(text);
    if (c.size() != 6)
        return Rgba{};
    return Rgba{ReadPair(c[0], c[1]), ReadPair(c[2], c[3]), ReadPair(c[4], c[5]), 255};
}

Rgba ParseHexColorAlpha(std::string_view text, int alpha) {
    Rgba colour = ParseHexColor(text);
    colour.alpha = static_cast<uint8_t>(std::clamp(alpha, 0, 255));
    return colour;
}

} // namespace velmora
