// Headerless RAW bits: an optional header of known size, then top-down rows of 8-bit or
// 16-bit (RGB 5-6-5) pixels, turned into a FreeImage bitmap.
#pragma once

#include "imageops/picture.h"

#include <cstdint>
#include <string>

namespace velmora {

struct RawBitsLayout {
    int64_t headerSize = 0;
    int32_t width = 0;  // 0 in either size: a square picture whose side follows from the
    int32_t height = 0; // payload size
};

// Modes: 1 is 8 bits per pixel, 2 is 16 bits RGB 5-6-5, anything else 8 bits without masks.
// Gives no picture for an unreadable file, an empty payload, or sizes that cannot be
// met (negative, zero, overflowing, or beyond kMaxRawBitsBytes).
Picture LoadRawBits(const std::string& path, int mode, const RawBitsLayout& layout);
// Reads the layout from the settings.
Picture LoadRawBits(const std::string& path, int mode);

// Largest pixel buffer a headerless file may ask for.
constexpr int64_t kMaxRawBitsBytes = int64_t{2} << 30;

} // namespace velmora
