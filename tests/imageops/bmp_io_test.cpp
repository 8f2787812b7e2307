#include "imageops/drawn/bmp_io.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace velmora {
namespace {

const Rgba kColours[] = {{255, 0, 0, 255},   {0, 255, 0, 200},  {0, 0, 255, 128},
                         {255, 255, 255, 0}, {30, 60, 90, 255}, {200, 150, 100, 10}};
constexpr int kWidth = 5, kHeight = 3; // every row needs padding to four bytes

struct BmpLayout {
    const char* label;
    int bits;
    bool topDown;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    std::array<uint32_t, 4> masks{}; // red, green, blue, alpha for BI_BITFIELDS
};

int Colours(const BmpLayout& layout) {
    return layout.bits <= 8 ? std::min(1 << layout.bits, 6) : 6;
}

// Little-endian; bytes past the fourth are zero.
void Put(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(i < 4 ? static_cast<char>(value >> (8 * i)) : '\0');
}

uint32_t ToMask(uint8_t value, uint32_t mask) {
    int shift = 0;
    while (mask && !((mask >> shift) & 1))
        ++shift;
    return static_cast<uint32_t>(value) << shift & mask;
}

// A bitmap of the test colours, pixel (x, y) in colour (x + 2y) mod the colour count.
std::string WriteBmp(const BmpLayout& layout) {
    int count = Colours(layout), bytes = layout.bits > 8 ? layout.bits / 8 : 0;
    bool masksAfter = layout.compression == 3 && layout.headerSize == 40;
    uint32_t offset =
        14 + layout.headerSize + (masksAfter ? 12 : 0) + (layout.bits <= 8 ? count * 4 : 0);
    uint32_t stride = (kWidth * layout.bits + 31) / 32 * 4;
    std::string file = "BM";
    const std::pair<uint32_t, int> header[] = {{offset + stride * kHeight, 4},
                                               {0, 4},
                                               {offset, 4},
                                               {layout.headerSize, 4},
                                               {kWidth, 4},
                                               {layout.topDown ? -kHeight : kHeight, 4},
                                               {1, 2},
                                               {layout.bits, 2},
                                               {layout.compression, 4},
                                               {0, 12},
                                               {layout.bits <= 8 ? count : 0, 8}};
    for (auto [value, size] : header)
        Put(file, value, size);
    for (int c = 0; c < 4 && file.size() < 14 + layout.headerSize; ++c)
        Put(file, layout.masks[c], 4);
    file.resize(14 + layout.headerSize, '\0');
    for (int c = 0; masksAfter && c < 3; ++c)
        Put(file, layout.masks[c], 4);
    for (int i = 0; layout.bits <= 8 && i < count; ++i)
        Put(file, kColours[i].blue | kColours[i].green << 8 | kColours[i].red << 16, 4);
    for (int row = 0; row < kHeight; ++row) {
        int y = layout.topDown ? row : kHeight - 1 - row;
        std::string line(stride, '\0');
        for (int x = 0; x < kWidth; ++x) {
            int index = (x + 2 * y) % count;
            const Rgba& c = kColours[index];
            // 0x7F in the fourth byte of BI_RGB is padding, not alpha.
            uint32_t word =
                layout.compression != 3
                    ? c.blue | c.green << 8 | c.red << 16 | 0x7F000000u
                    : ToMask(c.red, layout.masks[0]) | ToMask(c.green, layout.masks[1]) |
                          ToMask(c.blue, layout.masks[2]) | ToMask(c.alpha, layout.masks[3]);
            if (layout.bits <= 8)
                line[x * layout.bits / 8] |=
                    static_cast<char>(index << (8 - layout.bits * (x % (8 / layout.bits) + 1)));
            for (int b = 0; b < bytes; ++b)
                line[x * bytes + b] = static_cast<char>(word >> (8 * b));
        }
        file += line;
    }
    return file;
}

std::optional<RgbaPixels> Decode(const std::string& file) {
    return DecodeBmp(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
}

constexpr std::array<uint32_t, 4> kBgra{0xFF0000, 0xFF00, 0xFF, 0xFF000000};

TEST(DecodeBmp, ReadsEveryVariantPixelForPixelAndRefusesItCut) {
    const BmpLayout variants[] = {
        {"1 bit", 1, false},
        {"4 bits top-down", 4, true},
        {"8 bits", 8, false},
        {"24 bits top-down", 24, true},
        {"32 bits", 32, false},
        {"masks after the header", 32, true, 3, 40, {0xFF0000, 0xFF00, 0xFF, 0}},
        {"V5 header with alpha", 32, false, 3, 124, kBgra},
        {"red in the high byte", 32, true, 3, 108, {0xFF000000, 0xFF0000, 0xFF00, 0xFF}},
    };
    for (const BmpLayout& layout : variants) {
        SCOPED_TRACE(layout.label);
        std::string file = WriteBmp(layout);
        for (size_t size = 0; size < file.size(); ++size)
            ASSERT_FALSE(Decode(file.substr(0, size))) << "cut at " << size;
        auto pixels = Decode(file);
        ASSERT_TRUE(pixels);
        ASSERT_EQ(pixels->width, kWidth);
        ASSERT_EQ(pixels->height, kHeight);
        EXPECT_EQ(pixels->hasAlpha, layout.masks[3] != 0);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                Rgba expected = kColours[(x + 2 * y) % Colours(layout)];
                expected.alpha = layout.masks[3] ? expected.alpha : 255;
                ASSERT_EQ(pixels->At(x, y), expected) << x << "," << y;
            }
    }
}

TEST(DecodeBmp, RefusesOtherKindsAndDamagedFiles) {
    struct Case {
        const char* label;
        BmpLayout layout;
        size_t at; // the 32-bit field changed
        uint32_t value;
    };
    const BmpLayout plain{"", 24, false}, fields{"", 32, false, 3, 124, kBgra};
    const Case cases[] = {
        {"16 bits", plain, 28, 16},     {"RLE", {"", 8, false}, 30, 1},
        {"OS/2 header", plain, 14, 12}, {"lowest height", plain, 22, 0x80000000},
        {"too wide", plain, 18, 40000}, {"broken red mask", fields, 54, 0x00FF00FF},
    };
    for (const Case& c : cases) {
        std::string file = WriteBmp(c.layout);
        for (int i = 0; i < 4; ++i)
            file[c.at + i] = static_cast<char>(c.value >> (8 * i));
        EXPECT_FALSE(Decode(file)) << c.label;
    }
}

} // namespace
} // namespace velmora
