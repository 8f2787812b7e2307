#include "imageops/raw_bits.h"

#include "settings/settings.h"
#include "support/pictures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

namespace velmora {
namespace {

using testing::Rgb;
using testing::TempFolder;
using testing::WriteFile;

// Payload byte i of a pattern no two neighbouring rows or pixels share.
char PatternByte(size_t i) {
    return static_cast<char>((i * 7 + i / 13) & 0xFF);
}

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = PatternByte(i);
    return bytes;
}

// Byte of an 8-bit picture at column x, row y from the top.
int ByteAt(FIBITMAP* picture, int x, int y) {
    return FreeImage_GetScanLine(picture, FreeImage_GetHeight(picture) - 1 - y)[x];
}

// Word of a 16-bit picture at column x, row y from the top.
int WordAt(FIBITMAP* picture, int x, int y) {
    return reinterpret_cast<const WORD*>(
        FreeImage_GetScanLine(picture, FreeImage_GetHeight(picture) - 1 - y))[x];
}

int LittleEndianWord(const std::string& bytes, size_t at) {
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

constexpr RawBitsFormat k8 = RawBitsFormat::kEightBit, k565 = RawBitsFormat::kRgb565;

struct Case {
    const char* label;
    size_t headerBytes; // written before the payload
    size_t payloadBytes;
    RawBitsFormat stored;
    RawBitsLayout layout;
    int width, height, bpp; // 0: no picture
};

TEST(LoadRawBits, SizesThePictureFromTheLayoutOrThePayload) {
    const Case cases[] = {
        {"one mebibyte of 8 bits", 0, 1048576, k8, {}, 1024, 1024, 8},
        {"one mebibyte of 16 bits", 0, 1048576, k565, {}, 724, 724, 16},
        {"rounded side", 0, 4100, k8, {}, 64, 64, 8},
        {"given size", 0, 10000, k8, {0, 50, 200}, 50, 200, 8},
        {"given size of 16 bits", 0, 10000, k565, {0, 100, 50}, 100, 50, 16},
        {"width 0 gives a square", 0, 10000, k8, {0, 0, 50}, 100, 100, 8},
        {"height 0 gives a square", 0, 10000, k8, {0, 50, 0}, 100, 100, 8},
        {"header skipped", 512, 256, k8, {512, 16, 16}, 16, 16, 8},
        {"header skipped before a square", 100, 400, k8, {100, 0, 0}, 20, 20, 8},
        {"header as large as the file", 64, 0, k8, {64, 0, 0}, 0, 0, 0},
        {"header larger than the file", 64, 0, k8, {65, 0, 0}, 0, 0, 0},
        {"negative header", 0, 4096, k8, {-1, 0, 0}, 0, 0, 0},
        {"empty file", 0, 0, k8, {}, 0, 0, 0},
        {"negative width", 0, 4096, k8, {0, -64, 64}, 0, 0, 0},
        {"negative height", 0, 4096, k8, {0, 64, -64}, 0, 0, 0},
        {"largest sizes", 0, 4096, k565, {0, INT32_MAX, INT32_MAX}, 0, 0, 0},
        {"row wider than any pitch", 0, 4096, k565, {0, 1 << 30, 4}, 0, 0, 0},
        {"just beyond the largest buffer", 0, 4096, k8, {0, 46341, 46341}, 0, 0, 0},
        {"beyond the largest buffer in 16 bits", 0, 4096, k565, {0, 32768, 32769}, 0, 0, 0},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string path = folder / "bits.raw";
        WriteFile(path, std::string(c.headerBytes, '\xAB') + Pattern(c.payloadBytes));
        Picture picture = LoadRawBits(path, c.stored, c.layout);
        EXPECT_EQ(PictureWidth(picture), c.width);
        EXPECT_EQ(PictureHeight(picture), c.height);
        EXPECT_EQ(PictureBpp(picture), c.bpp);
        if (!picture)
            continue;
        // Rows are stored top first; the header is not part of the picture.
        int last = c.width - 1;
        if (c.bpp == 8) {
            EXPECT_EQ(ByteAt(picture.get(), 0, 0), static_cast<unsigned char>(PatternByte(0)));
            EXPECT_EQ(ByteAt(picture.get(), last, 1),
                      static_cast<unsigned char>(PatternByte(c.width + last)));
            EXPECT_EQ(ByteAt(picture.get(), 3, c.height - 1),
                      static_cast<unsigned char>(PatternByte(size_t(c.height - 1) * c.width + 3)));
        } else {
            std::string payload = Pattern(c.payloadBytes);
            size_t pitch = size_t(c.width) * 2;
            EXPECT_EQ(WordAt(picture.get(), 0, 0), LittleEndianWord(payload, 0));
            EXPECT_EQ(WordAt(picture.get(), last, 1), LittleEndianWord(payload, pitch + last * 2));
            EXPECT_EQ(WordAt(picture.get(), 5, c.height - 1),
                      LittleEndianWord(payload, (c.height - 1) * pitch + 10));
        }
    }
}

TEST(LoadRawBits, ShortPayloadLeavesTheBottomRowsBlack) {
    TempFolder folder;
    std::string payload = Pattern(15000);
    WriteFile(folder / "short.raw", payload);
    Picture picture = LoadRawBits(folder / "short.raw", k565, {0, 100, 100});
    ASSERT_TRUE(picture);
    ASSERT_EQ(PictureWidth(picture), 100);
    ASSERT_EQ(PictureHeight(picture), 100);
    int mismatches = 0, lit = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            int expected = y < 75 ? LittleEndianWord(payload, size_t(y) * 200 + x * 2) : 0;
            mismatches += WordAt(picture.get(), x, y) != expected;
            lit += y >= 75 && WordAt(picture.get(), x, y) != 0;
        }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(lit, 0);
}

TEST(LoadRawBits, SixteenBitPixelsAreRgb565) {
    struct Case {
        int word;
        Rgb colour;
    };
    const Case cases[] = {
        {0xF800, {255, 0, 0}},     {0x07E0, {0, 255, 0}}, {0x001F, {0, 0, 255}},
        {0xFFFF, {255, 255, 255}}, {0x0000, {0, 0, 0}},   {0xFFE0, {255, 255, 0}},
    };
    std::string bytes;
    for (const Case& c : cases) {
        bytes.push_back(static_cast<char>(c.word & 0xFF));
        bytes.push_back(static_cast<char>(c.word >> 8));
    }
    TempFolder folder;
    WriteFile(folder / "colours.raw", bytes);
    Picture picture = LoadRawBits(folder / "colours.raw", k565, {0, int(std::size(cases)), 1});
    ASSERT_TRUE(picture);
    EXPECT_EQ(FreeImage_GetRedMask(picture.get()), 0xF800u);
    EXPECT_EQ(FreeImage_GetGreenMask(picture.get()), 0x07E0u);
    EXPECT_EQ(FreeImage_GetBlueMask(picture.get()), 0x001Fu);
    Picture rgb(FreeImage_ConvertTo24Bits(picture.get()));
    ASSERT_TRUE(rgb);
    for (size_t x = 0; x < std::size(cases); ++x)
        EXPECT_EQ(testing::PixelAt(rgb.get(), int(x), 0), cases[x].colour)
            << std::hex << cases[x].word;
}

TEST(LoadRawBits, MissingFileGivesNoPicture) {
    TempFolder folder;
    EXPECT_FALSE(LoadRawBits(folder / "missing.raw", k8, {}));
    EXPECT_FALSE(LoadRawBits(folder.Path(), k8, {}));
}

// The layout the settings give: header size and picture size.
TEST(LoadRawBits, SettingsGiveTheLayout) {
    struct Case {
        int header, width, height;
        int expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {512, 16, 16, 16, 16},
        {512, 0, 0, 16, 16},
        {0, 0, 0, 28, 28}, // 768 bytes, side 27.7: the header counts as pixels
        {0, 32, 8, 32, 8},
    };
    TempFolder folder;
    std::string path = folder / "bits.raw";
    WriteFile(path, std::string(512, '\xAB') + Pattern(256));
    for (const Case& c : cases) {
        SettingsDefaults(true);
        gSettings.RawHeaderSize = c.header;
        gSettings.RawImageWidth = c.width;
        gSettings.RawImageHeight = c.height;
        Picture picture = LoadRawBits(path, k8, RawBitsLayoutFrom(gSettings));
        ASSERT_TRUE(picture) << c.header << " " << c.width << "x" << c.height;
        EXPECT_EQ(PictureWidth(picture), c.expectedWidth);
        EXPECT_EQ(PictureHeight(picture), c.expectedHeight);
        EXPECT_EQ(ByteAt(picture.get(), 0, 0), c.header ? PatternByte(0) : 0xAB);
    }
}

} // namespace
} // namespace velmora
