#include "imageops/drawn/png_io.h"

#include <png.h>

#include <cstring>

namespace velmora {

std::optional<RgbaPixels> DecodePng(std::span<const uint8_t> bytes) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return std::nullopt;
    if (!RasterSizeAllowed(image.width, image.height)) {
        png_image_free(&image);
        return std::nullopt;
    }
    bool hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_RGBA;
    RgbaPixels pixels =
        MakeRgbaPixels(static_cast<int>(image.width), static_cast<int>(image.height), hasAlpha);
    // finish_read frees the image's resources whether it succeeds or not.
    if (!png_image_finish_read(&image, nullptr, pixels.rgba.data(), 0, nullptr))
        return std::nullopt;
    return pixels;
}

std::optional<std::vector<uint8_t>> EncodePng(const RgbaPixels& pixels) {
    if (!RasterSizeAllowed(pixels.width, pixels.height) ||
        pixels.rgba.size() != static_cast<size_t>(pixels.width) * pixels.height * 4)
        return std::nullopt;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(pixels.width);
    image.height = static_cast<png_uint_32>(pixels.height);
    image.format = PNG_FORMAT_RGBA;
    // Layers are read back at once and thrown away; speed matters more than size.
    image.flags = PNG_IMAGE_FLAG_FAST;
    // One pass into a buffer of the largest possible size: asking libpng for the exact
    // size first would compress everything twice.
    std::vector<uint8_t> png(PNG_IMAGE_PNG_SIZE_MAX(image));
    png_alloc_size_t size = png.size();
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, pixels.rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    png.resize(size);
    return png;
}

} // namespace velmora
