// PNG theme pictures and drawn layers; what decodes must survive the encoder's round
// trip unchanged.
#include "imageops/drawn/png_io.h"

#include <cstdlib>
#include <zlib.h>

namespace {

// libpng refuses a chunk whose checksum is wrong, so almost no mutation would get past it:
// the checksums are set right before decoding.
std::vector<uint8_t> WithChunkChecksums(const uint8_t* data, size_t size) {
    std::vector<uint8_t> png(data, data + size);
    for (size_t at = 8; at + 12 <= png.size();) {
        size_t length = size_t{png[at]} << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        if (length > png.size() - at - 12)
            break;
        uLong crc = crc32(0, &png[at + 4], static_cast<uInt>(length + 4));
        for (size_t i = 0; i < 4; ++i)
            png[at + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        at += 12 + length;
    }
    return png;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    std::vector<uint8_t> bytes = WithChunkChecksums(data, size);
    auto pixels = DecodePng(bytes);
    if (!pixels)
        return 0;
    auto png = EncodePng(*pixels);
    auto again = png ? DecodePng(*png) : std::nullopt;
    if (!again || again->width != pixels->width || again->rgba != pixels->rgba)
        std::abort();
    return 0;
}
