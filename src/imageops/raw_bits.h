// Headerless RAW bits: an optional header of known size, then top-down rows of 8-bit or
// 16-bit (RGB 5-6-5) pixels, turned into a FreeImage bitmap.
#pragma once

#include "imageops/picture.h"

#include <cstdint>
#include <string>

namespace velmora {

struct Settings;

// How the pixels are stored: a byte of grey each, or 16 bits of RGB 5-6-5.
enum class RawBitsFormat { kEightBit, kRgb565 };

struct RawBitsLayout {
    int64_t headerSize = 0;
    int32_t width = 0;  // 0 in either size: a square picture whose side follows from the
    int32_t height = 0; // payload size
};

// Gives no picture for an unreadable file, an empty payload, or sizes that cannot be met
// (negative, zero, overflowing, or beyond kMaxRawBitsBytes).
Picture LoadRawBits(const std::string& path, RawBitsFormat format, const RawBitsLayout& layout);

// The header size and picture size the user gave.
RawBitsLayout RawBitsLayoutFrom(const Settings& settings);

// Largest pixel buffer a headerless file may ask for.
constexpr int64_t kMaxRawBitsBytes = int64_t{2} << 30;

} // namespace velmora
