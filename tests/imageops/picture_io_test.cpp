#include "imageops/drawn/picture_io.h"

#include "imageops/drawn/png_io.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

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
    auto decoded = DecodePicture(*png);
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
        EXPECT_FALSE(DecodePicture(Bytes(file.substr(0, size)))) << size;
    file[40] ^= 0x55;
    EXPECT_FALSE(DecodePicture(Bytes(file)));
}

TEST(Jpeg, DecodesOpaqueAndRefusesTruncation) {
    const testing::Rgb quadrants[] = {{200, 30, 30}, {30, 200, 30}, {30, 30, 200}, {250, 250, 250}};
    Picture source = testing::MakePicture(
        32, 24, [&](int x, int y) { return quadrants[(x >= 16) + 2 * (y >= 12)]; });
    std::string jpeg = testing::EncodeJpeg(source.get());
    auto pixels = DecodePicture(Bytes(jpeg));
    ASSERT_TRUE(pixels);
    EXPECT_FALSE(pixels->hasAlpha);
    ASSERT_EQ(pixels->width, 32);
    for (auto [x, y] : {std::pair{4, 4}, {27, 3}, {5, 20}, {28, 21}}) {
        Rgba p = pixels->At(x, y);
        EXPECT_TRUE(
            testing::Near({p.red, p.green, p.blue}, quadrants[(x >= 16) + 2 * (y >= 12)], 4))
            << x << "," << y;
        EXPECT_EQ(p.alpha, 255);
    }
    for (size_t size : {size_t{3}, size_t{200}, jpeg.size() / 2, jpeg.size() - 2})
        EXPECT_FALSE(DecodePicture(Bytes(jpeg.substr(0, size)))) << size;
    EXPECT_FALSE(DecodePicture(Bytes("\xFF\xD8\xFF" + testing::NoiseBytes(500, 7))));
}

int64_t PeakMemoryKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(Jpeg, ProgressiveFileCannotMakeLibjpegHoldMoreThanARaster) {
    Picture source = testing::MakePicture(16, 8, [](int x, int y) {
        return testing::Rgb{uint8_t(x * 16), uint8_t(y * 32), 90};
    });
    FIMEMORY* memory = FreeImage_OpenMemory();
    ASSERT_TRUE(FreeImage_SaveToMemory(FIF_JPEG, source.get(), memory,
                                       JPEG_PROGRESSIVE | JPEG_SUBSAMPLING_444));
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory, &data, &size);
    std::string jpeg(reinterpret_cast<const char*>(data), size);
    FreeImage_CloseMemory(memory);
    ASSERT_TRUE(DecodePicture(Bytes(jpeg)));

    // The same scans under a frame header of 32767 x 8192: within the raster bound, but
    // its coefficients alone would take 1.6 GB.
    size_t frame = jpeg.find("\xFF\xC2");
    ASSERT_NE(frame, std::string::npos);
    jpeg.replace(frame + 5, 4, std::string("\x20\x00\x7F\xFF", 4));
    int64_t before = PeakMemoryKiB();
    EXPECT_FALSE(DecodePicture(Bytes(jpeg)));
    EXPECT_LT(PeakMemoryKiB() - before, 256 * 1024);
}

} // namespace
} // namespace velmora
