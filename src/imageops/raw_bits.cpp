// Loads a file of bare pixel data. Every size comes from the user or the file, so each is
// checked before it sizes a buffer: a request that cannot be met gives no picture.
#include "imageops/raw_bits.h"

#include "settings/settings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

namespace velmora {
namespace {

struct PixelFormat {
    unsigned bitsPerPixel;
    unsigned redMask, greenMask, blueMask;
};

PixelFormat PixelFormatOf(RawBitsFormat format) {
    if (format == RawBitsFormat::kRgb565)
        return {16, 0xF800, 0x07E0, 0x001F};
    return {8, 0x00FF0000, 0x0000FF00, 0x000000FF};
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

} // namespace

Picture LoadRawBits(const std::string& path, RawBitsFormat stored, const RawBitsLayout& layout) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file || layout.headerSize < 0)
        return nullptr;
    if (fseeko(file.get(), 0, SEEK_END) != 0)
        return nullptr;
    int64_t payload = static_cast<int64_t>(ftello(file.get())) - layout.headerSize;
    if (payload <= 0 || fseeko(file.get(), static_cast<off_t>(layout.headerSize), SEEK_SET) != 0)
        return nullptr;

    PixelFormat format = PixelFormatOf(stored);
    int64_t bytesPerPixel = format.bitsPerPixel / 8;
    int64_t width = layout.width, height = layout.height;
    if (width == 0 || height == 0) {
        double side = std::sqrt(static_cast<double>(payload) / (format.bitsPerPixel / 8.0));
        width = height = std::llround(side);
    }
    if (width <= 0 || height <= 0 || width > INT32_MAX / bytesPerPixel)
        return nullptr;
    int64_t pitch = width * bytesPerPixel;
    if (height > kMaxRawBitsBytes / pitch)
        return nullptr;

    // A short file leaves the bottom rows black; bytes past the last row are not read.
    std::vector<BYTE> pixels;
    try {
        pixels.assign(static_cast<size_t>(pitch * height), 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    size_t wanted = static_cast<size_t>(std::min(payload, pitch * height));
    if (std::fread(pixels.data(), 1, wanted, file.get()) != wanted)
        return nullptr;

    return Picture(FreeImage_ConvertFromRawBits(
        pixels.data(), static_cast<int>(width), static_cast<int>(height), static_cast<int>(pitch),
        format.bitsPerPixel, format.redMask, format.greenMask, format.blueMask, TRUE));
}

RawBitsLayout RawBitsLayoutFrom(const Settings& s) {
    return {s.RawHeaderSize, s.RawImageWidth, s.RawImageHeight};
}

} // namespace velmora
