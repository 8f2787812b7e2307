#include "imageops/drawn/picture_io.h"

#include "imageops/drawn/png_io.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

std::span<const uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

Rgba RgbaAt(FIBITMAP* bitmap, int x, int y) {
    const BYTE* p = FreeImage_GetScanLine(bitmap, FreeImage_GetHeight(bitmap) - 1 - y) + x * 4;
    return {p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE], p[FI_RGBA_ALPHA]};
}

TEST(Png, RoundTripsAndHandsOverToFreeImage) {
    // Every alpha and a spread of colours, so premultiplying anywhere on the way would show.
    RgbaPixels pixels = MakeRgbaPixels(37, 11, true);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x)
            pixels.Set(x, y,
                       {uint8_t(x * 7), uint8_t(y * 13), uint8_t(x ^ y), uint8_t(x + y * 37)});
    auto png = EncodePng(pixels);
    ASSERT_TRUE(png);
    auto decoded = DecodePng(*png);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->hasAlpha);
    EXPECT_EQ(decoded->rgba, pixels.rgba);
    Picture picture = PictureFromPng(*png);
    ASSERT_EQ(PictureBpp(picture), 32);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(RgbaAt(picture.get(), x, y), pixels.At(x, y)) << x << "," << y;

    std::string file(png->begin(), png->end());
    for (size_t size : {size_t{0}, size_t{30}, file.size() / 2, file.size() - 13})
        EXPECT_FALSE(DecodePng(Bytes(file.substr(0, size)))) << size;
    file[40] ^= 0x55;
    EXPECT_FALSE(DecodePng(Bytes(file)));
}

} // namespace
} // namespace velmora
