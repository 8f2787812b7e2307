// The hand-over of drawn layers to FreeImage: a raster encoded as PNG in memory and read
// back with FreeImage_OpenMemory and FreeImage_LoadFromMemory.
#pragma once

#include "imageops/drawn/drawing.h"
#include "imageops/picture.h"

#include <cstdint>
#include <span>

namespace velmora {

// A PNG in memory read by FreeImage.
Picture PictureFromPng(std::span<const uint8_t> png);
// A drawn raster as a 32-bit FreeImage bitmap with alpha, through an in-memory PNG. The
// raster is taken so its memory is given back before FreeImage's copy is made.
Picture HandOverToFreeImage(Raster layer);

} // namespace velmora
