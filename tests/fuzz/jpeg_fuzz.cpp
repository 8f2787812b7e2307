// JPEG watermark pictures.
#include "imageops/drawn/jpeg_io.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto pixels = velmora::DecodeJpeg({data, size});
    if (pixels && pixels->rgba.size() != size_t(pixels->width) * pixels->height * 4)
        std::abort();
    return 0;
}
