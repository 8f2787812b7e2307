// Writes the seed pictures of the watermark picture and PNG harnesses: small pictures in
// each form the decoders take, made with FreeImage, plus the BMP header variants FreeImage
// never writes. Usage: make-picture-seeds <corpus folder>
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

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-picture-seeds <corpus folder>\n");
        return 2;
    }
    std::string bmp = std::string(argv[1]) + "/watermark_picture/",
                png = std::string(argv[1]) + "/png/", jpeg = bmp;
    FIBITMAP* ramp = Ramp();
    FIBITMAP* rgb = FreeImage_ConvertTo24Bits(ramp);
    FIBITMAP* grey = FreeImage_ConvertToGreyscale(ramp);
    bool ok = true;
    ok &= Save(FIF_BMP, FreeImage_Threshold(rgb, 128), bmp + "1bit.bmp");
    ok &= Save(FIF_BMP, FreeImage_ConvertTo4Bits(rgb), bmp + "4bit.bmp");
    ok &= Save(FIF_BMP, FreeImage_ColorQuantize(rgb, FIQ_WUQUANT), bmp + "8bit.bmp");
    ok &= Save(FIF_BMP, FreeImage_Clone(rgb), bmp + "24bit.bmp");
    ok &= Save(FIF_BMP, FreeImage_Clone(ramp), bmp + "32bit.bmp");
    ok &= Save(FIF_BMP, FreeImage_ColorQuantize(rgb, FIQ_WUQUANT), bmp + "rle8.bmp", BMP_SAVE_RLE);
    ok &= Save(FIF_GIF, FreeImage_ColorQuantize(rgb, FIQ_WUQUANT), bmp + "palette.gif");
    ok &= Save(FIF_TIFF, FreeImage_Clone(ramp), bmp + "rgba.tif", TIFF_LZW);
    ok &= Save(FIF_WEBP, FreeImage_Clone(rgb), bmp + "lossy.webp", 80);
    std::vector<BYTE> bitfields = BitfieldsBmp();
    FILE* file = std::fopen((bmp + "32bit-bitfields-topdown.bmp").c_str(), "wb");
    ok &= file && std::fwrite(bitfields.data(), 1, bitfields.size(), file) == bitfields.size();
    if (file)
        std::fclose(file);
    ok &= Save(FIF_PNG, FreeImage_Clone(rgb), png + "rgb.png");
    ok &= Save(FIF_PNG, FreeImage_Clone(ramp), png + "rgba.png", PNG_INTERLACED);
    ok &= Save(FIF_PNG, FreeImage_ColorQuantize(rgb, FIQ_WUQUANT), png + "palette.png");
    ok &= Save(FIF_PNG, FreeImage_Clone(grey), png + "grey.png");
    ok &= Save(FIF_PNG, FreeImage_Threshold(rgb, 128), png + "1bit.png");
    ok &= Save(FIF_PNG, FreeImage_ConvertToType(ramp, FIT_RGBA16), png + "rgba16.png");
    ok &= Save(FIF_JPEG, FreeImage_Clone(rgb), jpeg + "baseline.jpg", JPEG_QUALITYNORMAL);
    ok &= Save(FIF_JPEG, FreeImage_Clone(rgb), jpeg + "progressive.jpg",
               JPEG_PROGRESSIVE | JPEG_SUBSAMPLING_444);
    ok &= Save(FIF_JPEG, FreeImage_Clone(grey), jpeg + "grey.jpg", JPEG_QUALITYBAD);
    FreeImage_Unload(grey);
    FreeImage_Unload(rgb);
    FreeImage_Unload(ramp);
    return ok ? 0 : 1;
}
