// Our BMP reader for picture watermarks.
#include "imageops/drawn/bmp_io.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto pixels = velmora::DecodeBmp({data, size});
    if (pixels && pixels->rgba.size() != size_t(pixels->width) * pixels->height * 4)
        std::abort();
    return 0;
}
