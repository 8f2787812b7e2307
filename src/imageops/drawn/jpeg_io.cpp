#include "imageops/drawn/jpeg_io.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jpeglib.h>

// After jpeglib.h, which it needs.
#include <jerror.h>

namespace velmora {
namespace {

// libjpeg reports errors by calling error_exit, which must not return: it jumps back to
// the decoder. Everything between setjmp and longjmp is plain C data.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    int ranOut; // the data ended early
};

void JumpOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

// A truncated file is only a warning to libjpeg, which pads the picture with grey; the
// watermark would then carry a grey band. Other warnings are not printed.
void NoteRunningOut(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<JpegErrors*>(info->err)->ranOut = 1;
}

void DiscardMessage(j_common_ptr) {}

struct DecodedJpeg {
    unsigned char* rgb; // malloc'ed, width * height * 3
    unsigned width, height;
};

// The C part: no C++ object lives between setjmp and a longjmp. Returns 0 on failure,
// with nothing left allocated.
int DecodeJpegToRgb(const unsigned char* data, unsigned long size, DecodedJpeg* out) {
    jpeg_decompress_struct info;
    JpegErrors errors;
    unsigned char* volatile rgb = nullptr;
    std::memset(out, 0, sizeof *out);
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JumpOnError;
    errors.manager.emit_message = NoteRunningOut;
    errors.ranOut = 0;
    errors.manager.output_message = DiscardMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        std::free(rgb);
        return 0;
    }
    jpeg_create_decompress(&info);
    // A progressive file has libjpeg keep every coefficient of the picture (up to 6 bytes a
    // pixel), which RasterSizeAllowed does not bound: a file of 160 bytes could ask for 1.5 GB.
    // Past one raster's bound libjpeg fails the decode, having no backing store to spill to.
    info.mem->max_memory_to_use = kMaxRasterPixels * 4;
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    // Checked before libjpeg sizes its own buffers from the header.
    if ((info.jpeg_color_space != JCS_GRAYSCALE && info.jpeg_color_space != JCS_YCbCr &&
         info.jpeg_color_space != JCS_RGB) ||
        !RasterSizeAllowed(info.image_width, info.image_height)) {
        jpeg_destroy_decompress(&info);
        return 0;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3 || !RasterSizeAllowed(info.output_width, info.output_height)) {
        jpeg_destroy_decompress(&info);
        return 0;
    }
    size_t stride = static_cast<size_t>(info.output_width) * 3;
    rgb = static_cast<unsigned char*>(std::malloc(stride * info.output_height));
    if (!rgb) {
        jpeg_destroy_decompress(&info);
        return 0;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgb + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    // The entropy decoder reads ahead, so even a file cut at its end marker runs out here.
    if (errors.ranOut) {
        jpeg_destroy_decompress(&info);
        std::free(rgb);
        return 0;
    }
    jpeg_finish_decompress(&info);
    out->rgb = rgb;
    out->width = info.output_width;
    out->height = info.output_height;
    jpeg_destroy_decompress(&info);
    return 1;
}

} // namespace

std::optional<RgbaPixels> DecodeJpeg(std::span<const uint8_t> bytes) {
    if (bytes.empty())
        return std::nullopt;
    DecodedJpeg decoded;
    if (!DecodeJpegToRgb(bytes.data(), static_cast<unsigned long>(bytes.size()), &decoded))
        return std::nullopt;
    std::unique_ptr<unsigned char, decltype(&std::free)> rgb(decoded.rgb, &std::free);
    RgbaPixels pixels =
        MakeRgbaPixels(static_cast<int>(decoded.width), static_cast<int>(decoded.height), false);
    size_t count = static_cast<size_t>(decoded.width) * decoded.height;
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(&pixels.rgba[i * 4], rgb.get() + i * 3, 3);
        pixels.rgba[i * 4 + 3] = 255;
    }
    return pixels;
}

} // namespace velmora
