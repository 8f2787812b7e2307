#include "imageops/drawn/picture_io.h"

#include "imageops/drawn/bmp_io.h"
#include "imageops/drawn/jpeg_io.h"
#include "imageops/drawn/png_io.h"
#include "platform/files.h"

#include <algorithm>

namespace velmora {
namespace {

bool StartsWithBytes(std::span<const uint8_t> bytes, std::initializer_list<uint8_t> signature) {
    return bytes.size() >= signature.size() &&
           std::equal(signature.begin(), signature.end(), bytes.begin());
}

// The raster is freed when this returns, before the PNG is made.
RgbaPixels TakePixels(Raster layer) {
    return layer.ToPixels();
}

struct CloseMemory {
    void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};

} // namespace

std::optional<RgbaPixels> DecodePicture(std::span<const uint8_t> bytes) {
    if (StartsWithBytes(bytes, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}))
        return DecodePng(bytes);
    if (StartsWithBytes(bytes, {0xFF, 0xD8, 0xFF}))
        return DecodeJpeg(bytes);
    if (StartsWithBytes(bytes, {'B', 'M'}))
        return DecodeBmp(bytes);
    return std::nullopt;
}

std::optional<RgbaPixels> DecodePictureFile(const std::string& path) {
    auto bytes = ReadWholeFile(path, kMaxPictureFileBytes);
    if (!bytes)
        return std::nullopt;
    return DecodePicture(std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
}

Picture PictureFromPng(std::span<const uint8_t> png) {
    if (png.empty())
        return nullptr;
    // FreeImage only reads the buffer, though its interface takes it as writable.
    std::unique_ptr<FIMEMORY, CloseMemory> memory(
        FreeImage_OpenMemory(const_cast<BYTE*>(png.data()), static_cast<DWORD>(png.size())));
    if (!memory)
        return nullptr;
    return Picture(FreeImage_LoadFromMemory(FIF_PNG, memory.get(), 0));
}

Picture HandOverToFreeImage(const RgbaPixels& pixels) {
    auto png = EncodePng(pixels);
    return png ? PictureFromPng(*png) : nullptr;
}

Picture HandOverToFreeImage(Raster layer) {
    std::optional<std::vector<uint8_t>> png;
    {
        RgbaPixels pixels = TakePixels(std::move(layer));
        png = EncodePng(pixels);
    }
    return png ? PictureFromPng(*png) : nullptr;
}

} // namespace velmora
