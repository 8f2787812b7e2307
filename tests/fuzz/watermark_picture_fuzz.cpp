// Watermark pictures: our repairs of BMP and TIFF files, then FreeImage's decoding of every
// format a watermark may have. What decodes is a 32-bit picture within the raster bound.
#include "imageops/raster_bound.h"
#include "imageops/watermark_picture.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    Picture picture =
        DecodeWatermarkPicture(std::string(reinterpret_cast<const char*>(data), size));
    if (picture && (PictureBpp(picture) != 32 ||
                    !RasterSizeAllowed(PictureWidth(picture), PictureHeight(picture))))
        std::abort();
    return 0;
}
