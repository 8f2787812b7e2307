#include "gui/jpeg_writer.h"

#include "platform/temp_files.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace velmora {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

// libjpeg's own handler would end the process.
void EscapeOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

void Silent(j_common_ptr) {}

// Encodes rows of packed RGB; kept free of C++ objects because of the longjmp.
bool Compress(const unsigned char* rgb, int width, int height, int stride, int quality,
              unsigned char** out, unsigned long* size) {
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = EscapeOnError;
    errors.base.output_message = Silent;
    if (setjmp(errors.escape)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + static_cast<size_t>(info.next_scanline) * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

std::string EncodeJpeg(const QImage& image, int quality) {
    if (image.isNull())
        return {};
    QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    bool encoded = Compress(rgb.constBits(), rgb.width(), rgb.height(),
                            static_cast<int>(rgb.bytesPerLine()), quality, &buffer, &size);
    std::string bytes;
    if (encoded && buffer)
        bytes.assign(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

bool WriteJpegFile(const QImage& image, const std::string& path, int quality) {
    std::string bytes = EncodeJpeg(image, quality);
    return !bytes.empty() && WriteFileAtomically(path, bytes);
}

} // namespace velmora
