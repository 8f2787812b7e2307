#include "imageops/watermark_picture.h"

#include "support/pictures.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace velmora {
namespace {

std::string Encoded(FREE_IMAGE_FORMAT format, FIBITMAP* picture, int flags = 0) {
    FIMEMORY* memory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(format, picture, memory, flags);
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory, &data, &size);
    std::string bytes(reinterpret_cast<const char*>(data), size);
    FreeImage_CloseMemory(memory);
    return bytes;
}

int64_t PeakMemoryKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(DecodeWatermarkPicture, RefusesSizesBeyondTheBoundBeforeThePixelsTakeMemory) {
    Picture small = testing::MakePicture(16, 8, [](int x, int) { return testing::Rgb{x, 9, 9}; });
    struct Case {
        const char* name;
        FREE_IMAGE_FORMAT format;
        int flags;
        std::string_view marker; // a new size replaces the bytes sizeAt bytes behind it
        size_t sizeAt;
        std::string size;
    };
    // A progressive JPEG of 32767 x 8192 is within the raster bound, but its coefficients
    // alone would take 1.6 GB while decoding.
    const Case cases[] = {
        {"progressive jpeg", FIF_JPEG, JPEG_PROGRESSIVE, "\xFF\xC2", 5, {"\x20\x00\x7F\xFF", 4}},
        {"bmp", FIF_BMP, 0, "BM", 18, {"\x40\x9C\x00\x00", 4}},
        {"gif frame", FIF_GIF, 0, {"\x2C\0\0\0\0", 5}, 5, {"\x40\x9C", 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Picture source(c.format == FIF_GIF ? FreeImage_ColorQuantize(small.get(), FIQ_WUQUANT)
                                           : FreeImage_Clone(small.get()));
        std::string bytes = Encoded(c.format, source.get(), c.flags);
        ASSERT_TRUE(DecodeWatermarkPicture(bytes));
        size_t at = bytes.find(c.marker);
        ASSERT_NE(at, std::string::npos);
        bytes.replace(at + c.sizeAt, c.size.size(), c.size);
        int64_t before = PeakMemoryKiB();
        EXPECT_FALSE(DecodeWatermarkPicture(bytes));
        EXPECT_LT(PeakMemoryKiB() - before, 64 * 1024);
    }
}

TEST(DecodeWatermarkPicture, ABmpsFourthBytesAreAlphaUnlessAllZero) {
    for (int alpha : {0, 128}) {
        Picture pixel(FreeImage_Allocate(1, 1, 32));
        FreeImage_GetBits(pixel.get())[FI_RGBA_ALPHA] = BYTE(alpha);
        Picture decoded = DecodeWatermarkPicture(Encoded(FIF_BMP, pixel.get()));
        ASSERT_EQ(PictureBpp(decoded), 32);
        EXPECT_EQ(FreeImage_GetBits(decoded.get())[FI_RGBA_ALPHA], alpha == 0 ? 255 : alpha);
    }
}

} // namespace
} // namespace velmora
