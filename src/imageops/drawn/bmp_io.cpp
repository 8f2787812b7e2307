#include "imageops/drawn/bmp_io.h"

#include <array>

namespace velmora {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
// From this header size on the header holds an alpha mask (BITMAPV3INFOHEADER and later).
constexpr uint32_t kHeaderWithAlphaMask = 56;
// Red, green and blue masks sit right after the 40-byte header part, inside the larger
// headers and after the smaller one alike.
constexpr size_t kMasksOffset = kFileHeaderSize + kInfoHeaderSize;

uint32_t Le16(std::span<const uint8_t> b, size_t at) {
    return b[at] | static_cast<uint32_t>(b[at + 1]) << 8;
}

uint32_t Le32(std::span<const uint8_t> b, size_t at) {
    return Le16(b, at) | Le16(b, at + 2) << 16;
}

struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

// A mask must be one run of set bits; an empty mask means the channel is absent.
std::optional<ChannelMask> ReadMask(uint32_t mask) {
    ChannelMask channel{mask, 0, 0};
    if (mask == 0)
        return channel;
    while (!(mask & 1)) {
        mask >>= 1;
        ++channel.shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++channel.bits;
    }
    if (mask != 0)
        return std::nullopt;
    return channel;
}

// The channel's value scaled to 0..255.
uint8_t Extract(uint32_t pixel, const ChannelMask& channel) {
    uint64_t maximum = (uint64_t{1} << channel.bits) - 1;
    uint64_t value = (pixel & channel.mask) >> channel.shift;
    return static_cast<uint8_t>((value * 255 + maximum / 2) / maximum);
}

} // namespace

std::optional<RgbaPixels> DecodeBmp(std::span<const uint8_t> bytes) {
    if (bytes.size() < kFileHeaderSize + kInfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M')
        return std::nullopt;
    uint64_t dataOffset = Le32(bytes, 10);
    uint32_t headerSize = Le32(bytes, 14);
    if (headerSize < kInfoHeaderSize || headerSize > bytes.size() - kFileHeaderSize)
        return std::nullopt;
    int64_t width = static_cast<int32_t>(Le32(bytes, 18));
    int64_t height = static_cast<int32_t>(Le32(bytes, 22));
    uint32_t bits = Le16(bytes, 28);
    uint32_t compression = Le32(bytes, 30);
    uint32_t coloursUsed = Le32(bytes, 46);
    bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (!RasterSizeAllowed(width, height))
        return std::nullopt;
    bool palette = bits == 1 || bits == 4 || bits == 8;
    if (!(palette || bits == 24 || bits == 32))
        return std::nullopt;
    if (compression != kBiRgb && !(compression == kBiBitfields && bits == 32))
        return std::nullopt;

    // Channels of 24- and 32-bit pixels, read as little-endian words: blue is the lowest byte.
    std::array<ChannelMask, 4> channels{ChannelMask{0x00FF0000u, 16, 8},
                                        ChannelMask{0x0000FF00u, 8, 8},
                                        ChannelMask{0x000000FFu, 0, 8}, ChannelMask{}};
    if (compression == kBiBitfields) {
        if (bytes.size() < kMasksOffset + 12)
            return std::nullopt;
        for (int c = 0; c < 4; ++c) {
            uint32_t mask =
                c < 3 || headerSize >= kHeaderWithAlphaMask ? Le32(bytes, kMasksOffset + 4 * c) : 0;
            auto channel = ReadMask(mask);
            if (!channel || (c < 3 && channel->bits == 0))
                return std::nullopt;
            channels[c] = *channel;
        }
    }
    bool hasAlpha = channels[3].bits > 0;

    std::array<Rgba, 256> colours{};
    if (palette) {
        size_t entries = size_t{1} << bits;
        if (coloursUsed != 0 && coloursUsed < entries)
            entries = coloursUsed;
        size_t paletteStart = kFileHeaderSize + headerSize;
        if (bytes.size() < paletteStart + entries * 4)
            return std::nullopt;
        for (size_t i = 0; i < entries; ++i) {
            const uint8_t* q = &bytes[paletteStart + i * 4];
            colours[i] = Rgba{q[2], q[1], q[0], 255};
        }
    }

    uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    if (dataOffset > bytes.size() || stride * height > bytes.size() - dataOffset)
        return std::nullopt;

    RgbaPixels pixels = MakeRgbaPixels(static_cast<int>(width), static_cast<int>(height), hasAlpha);
    for (int64_t row = 0; row < height; ++row) {
        const uint8_t* line = &bytes[dataOffset + stride * row];
        int y = static_cast<int>(topDown ? row : height - 1 - row);
        for (int x = 0; x < width; ++x) {
            Rgba colour;
            if (palette) {
                int perByte = 8 / static_cast<int>(bits);
                int shift = 8 - static_cast<int>(bits) * (x % perByte + 1);
                colour = colours[(line[x / perByte] >> shift) & ((1 << bits) - 1)];
            } else {
                const uint8_t* p = line + static_cast<size_t>(x) * (bits / 8);
                uint32_t word = p[0] | p[1] << 8 | static_cast<uint32_t>(p[2]) << 16;
                if (bits == 32)
                    word |= static_cast<uint32_t>(p[3]) << 24;
                colour = Rgba{Extract(word, channels[0]), Extract(word, channels[1]),
                              Extract(word, channels[2]),
                              hasAlpha ? Extract(word, channels[3]) : uint8_t{255}};
            }
            pixels.Set(x, y, colour);
        }
    }
    return pixels;
}

} // namespace velmora
