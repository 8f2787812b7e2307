// The headerless RAW loader: mode, header size, width and height from the first 13 bytes,
// the rest as the file.
#include "fuzz_input.h"
#include "imageops/raw_bits.h"

#include <cstring>

namespace {

template <typename T> T Take(const uint8_t*& data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    data += sizeof value;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    constexpr size_t kLayoutBytes = 13;
    if (size < kLayoutBytes)
        return 0;
    const uint8_t* end = data + size;
    // The first byte picks the pixel format, 2 of every 4 values the 16-bit one.
    RawBitsFormat stored =
        Take<uint8_t>(data) % 4 == 2 ? RawBitsFormat::kRgb565 : RawBitsFormat::kEightBit;
    RawBitsLayout layout{Take<int32_t>(data), Take<int32_t>(data), Take<int32_t>(data)};
    // Sizes the loader rightly accepts would only make the search slow to allocate; the
    // refused ones (negative, overflowing, past the cap) all stay in.
    if (layout.width > 0 && layout.height > 0) {
        int64_t bytes =
            int64_t{layout.width} * layout.height * (stored == RawBitsFormat::kRgb565 ? 2 : 1);
        if (bytes > (int64_t{1} << 20) && bytes <= kMaxRawBitsBytes)
            return 0;
    }
    std::string_view file = fuzz::AsText(data, static_cast<size_t>(end - data));
    Picture picture = LoadRawBits(fuzz::WriteInputFile(file), stored, layout);
    if (picture && layout.width > 0 && layout.height > 0 &&
        (PictureWidth(picture) != layout.width || PictureHeight(picture) != layout.height))
        std::abort();
    return 0;
}
