// The picture file of a picture watermark, decoded by FreeImage.
#pragma once

#include "imageops/picture.h"

#include <cstddef>
#include <string>

namespace velmora {

// Largest picture file read into memory for decoding.
constexpr size_t kMaxPictureFileBytes = size_t{512} << 20;

// A BMP (every variant), JPEG (CMYK and YCCK too), PNG, GIF, TIFF or WebP, told apart by
// its content, as a 32-bit bitmap with straight alpha; a picture without alpha of its own
// is opaque. None for any other content, a damaged file, or a picture larger than the
// raster bound, which is checked from the header before the pixels take memory.
Picture DecodeWatermarkPicture(std::string bytes);
Picture LoadWatermarkPicture(const std::string& path);

} // namespace velmora
