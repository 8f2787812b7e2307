// Picture files for the picture watermark, decoded by our own decoders rather than
// FreeImage, and the PNG hand-over that turns a drawn raster into a FreeImage bitmap.
#pragma once

#include "imageops/drawn/drawing.h"
#include "imageops/drawn/rgba_pixels.h"
#include "imageops/picture.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace velmora {

// Largest picture file read into memory for decoding.
constexpr size_t kMaxPictureFileBytes = size_t{512} << 20;

// PNG, JPEG or BMP, told apart by their first bytes, not their names.
std::optional<RgbaPixels> DecodePicture(std::span<const uint8_t> bytes);
std::optional<RgbaPixels> DecodePictureFile(const std::string& path);

// A PNG in memory read by FreeImage (FreeImage_OpenMemory, FreeImage_LoadFromMemory).
Picture PictureFromPng(std::span<const uint8_t> png);
// Pixels or a drawn raster as a 32-bit FreeImage bitmap with alpha, through an in-memory
// PNG. The raster is taken so its memory is given back before FreeImage's copy is made.
Picture HandOverToFreeImage(const RgbaPixels& pixels);
Picture HandOverToFreeImage(Raster layer);

} // namespace velmora
