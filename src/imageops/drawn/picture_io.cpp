#include "imageops/drawn/picture_io.h"

#include "imageops/drawn/png_io.h"

#include <memory>
#include <optional>
#include <vector>

namespace velmora {
namespace {

// The raster is freed when this returns, before the PNG is made.
RgbaPixels TakePixels(Raster layer) {
    return layer.ToPixels();
}

} // namespace

Picture PictureFromPng(std::span<const uint8_t> png) {
    if (png.empty())
        return nullptr;
    // FreeImage only reads the buffer, though its interface takes it as writable.
    MemoryStream memory(
        FreeImage_OpenMemory(const_cast<BYTE*>(png.data()), static_cast<DWORD>(png.size())));
    if (!memory)
        return nullptr;
    return Picture(FreeImage_LoadFromMemory(FIF_PNG, memory.get(), 0));
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
