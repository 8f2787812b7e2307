// Colours as the settings hold them: six hexadecimal digits, red, green, blue.
#pragma once

#include <cstdint>
#include <string_view>

namespace velmora {

struct Rgba {
    uint8_t red = 0, green = 0, blue = 0, alpha = 255;
    bool operator==(const Rgba&) const = default;
};

// "FF8000" is orange. A text of any other length than six characters is black. Each pair
// is read as hexadecimal digits up to the first other character ("1G" reads 1).
Rgba ParseHexColor(std::string_view text);
// The same with the given alpha, clamped to 0..255.
Rgba ParseHexColorAlpha(std::string_view text, int alpha);

} // namespace velmora
