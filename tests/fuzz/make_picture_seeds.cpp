// Writes the seed pictures of the watermark picture and PNG harnesses: small pictures in
// each form the decoders take, made with FreeImage, plus BMP variants FreeImage never
// writes (a version 4 header with bit fields, a version 5 header with RLE8 rows). Usage:
// make-picture-seeds <corpus folder>
#include <FreeImage.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// An 8 x 6 colour ramp with a falling alpha.
FIBITMAP* Ramp() {
    FIBITMAP* picture = FreeImage_Allocate(8, 6, 32);
    for (int y = 0; y < 6; ++y) {
        BYTE* row = FreeImage_GetScanLine(picture, y);
        for (int x = 0; x < 8; ++x) {
            row[x * 4 + FI_RGBA_RED] = static_cast<BYTE>(x * 32);
            row[x * 4 + FI_RGBA_GREEN] = static_cast<BYTE>(y * 40);
            row[x * 4 + FI_RGBA_BLUE] = static_cast<BYTE>(255 - x * 16);
            row[x * 4 + FI_RGBA_ALPHA] = static_cast<BYTE>(255 - y * 30);
        }
    }
    return picture;
}

bool Save(FREE_IMAGE_FORMAT format, FIBITMAP* picture, const std::string& path, int flags = 0) {
    bool saved = picture && FreeImage_Save(format, picture, path.c_str(), flags);
    if (picture)
        FreeImage_Unload(picture);
    if (!saved)
        std::fprintf(stderr, "make-picture-seeds: cannot write %s\n", path.c_str());
    return saved;
}

void Put16(std::vector<BYTE>& b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back(v >> 8 & 0xFF);
}
void Put32(std::vector<BYTE>& b, unsigned v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A top-down 32-bit BI_BITFIELDS bitmap of 2 x 2 with a version 4 header (alpha mask).
std::vector<BYTE> BitfieldsBmp() {
    std::vector<BYTE> b{'B', 'M'};
    Put32(b, 14 + 108 + 16);
    Put32(b, 0);
    Put32(b, 14 + 108);
    Put32(b, 108);
    Put32(b, 2);
    Put32(b, static_cast<unsigned>(-2));
    Put16(b, 1);
    Put16(b, 32);
    Put32(b, 3);
    for (int i = 0; i < 5; ++i)
        Put32(b, 0);
    for (unsigned mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
        Put32(b, mask);
    b.resize(14 + 108);
    for (unsigned pixel : {0xFFFF0000u, 0x8000FF00u, 0x400000FFu, 0x00FFFFFFu})
        Put32(b, pixel);
    return b;
}

// A 4 x 2 RLE8 bitmap with a version 5 header, each row closed by an end-of-line before
// the end-of-bitmap mark, as ImageMagick writes palette pictures.
std::vector<BYTE> Rle8Bmp() {
    const std::vector<BYTE> rows = {4, 1, 0, 0, 2, 2, 2, 3, 0, 0, 0, 1};
    std::vector<BYTE> b{'B', 'M'};
    Put32(b, 14 + 124 + 4 * 4 + static_cast<unsigned>(rows.size()));
    Put32(b, 0);
    Put32(b, 14 + 124 + 4 * 4);
    Put32(b, 124);
    Put32(b, 4);
    Put32(b, 2);
    Put16(b, 1);
    Put16(b, 8);
    Put32(b, 1);
    Put32(b, static_cast<unsigned>(rows.size()));
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 4);
    b.resize(14 + 124);
    for (unsigned colour : {0x000000u, 0xFF0000u, 0x00FF00u, 0x0000FFu})
        Put32(b, colour);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

bool Write(const std::vector<BYTE>& bytes, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file)
        std::fclose(file);
    return written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-picture-seeds <corpus folder>\n");
        return 2;
    }
    std::string pictures = std::string(argv[1]) + "/watermark_picture/",
                png = std::string(argv[1]) + "/png/";
    FIBITMAP* ramp = Ramp();
    FIBITMAP* rgb = FreeImage_ConvertTo24Bits(ramp);
    FIBITMAP* grey = FreeImage_ConvertToGreyscale(ramp);
    bool ok = true;
    ok &= Save(FIF_BMP, FreeImage_Threshold(rgb, 128), pictures + "1bit.bmp");
    ok &= Save(FIF_BMP, FreeImage_ConvertTo4Bits(rgb), pictures + "4bit.bmp");
    ok &= Save(FIF_BMP, FreeImage_ColorQuantize(rgb, FIQ_WUQUANT), pictures + "8bit.bmp");
    ok &= Save(FIF_BMP, FreeImage_Clone(rgb), pictures + "24bit.bmp");
    ok &= Save(FIF_BMP, FreeImage_Clone(ramp), pictures + "32bit.bmp");
    ok &= Write(BitfieldsBmp(), pictures + "32bit-bitfields-topdown.bmp");
    ok &= Write(Rle8Bmp(), pictures + "rle8-v5.bmp");
    ok &= Save(FIF_GIF, FreeImage_ColorQuantize(rgb, FIQ_WUQUANT), pictures + "palette.gif");
    ok &= Save(FIF_TIFF, FreeImage_Clone(ramp), pictures + "rgba.tif", TIFF_DEFLATE);
    ok &= Save(FIF_WEBP, FreeImage_Clone(rgb), pictures + "lossy.webp", 80);
    ok &= Save(FIF_PNG, FreeImage_Clone(rgb), png + "rgb.png");
    ok &= Save(FIF_PNG, FreeImage_Clone(ramp), png + "rgba.png", PNG_INTERLACED);
    ok &= Save(FIF_PNG, FreeImage_ColorQuantize(rgb, FIQ_WUQUANT), png + "palette.png");
    ok &= Save(FIF_PNG, FreeImage_Clone(grey), png + "grey.png");
    ok &= Save(FIF_PNG, FreeImage_Threshold(rgb, 128), png + "1bit.png");
    ok &= Save(FIF_PNG, FreeImage_ConvertToType(ramp, FIT_RGBA16), png + "rgba16.png");
    ok &= Save(FIF_JPEG, FreeImage_Clone(rgb), pictures + "baseline.jpg", JPEG_QUALITYNORMAL);
    ok &= Save(FIF_JPEG, FreeImage_Clone(rgb), pictures + "progressive.jpg",
               JPEG_PROGRESSIVE | JPEG_SUBSAMPLING_444);
    ok &= Save(FIF_JPEG, FreeImage_Clone(grey), pictures + "grey.jpg", JPEG_QUALITYBAD);
    FreeImage_Unload(grey);
    FreeImage_Unload(rgb);
    FreeImage_Unload(ramp);
    return ok ? 0 : 1;
}
