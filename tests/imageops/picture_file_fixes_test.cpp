#include "imageops/picture_file_fixes.h"

#include "support/pictures.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace velmora {
namespace {

using testing::Rgb;

// Appends value as size bytes, low byte first unless big.
void Put(std::string& out, uint32_t value, int size, bool big = false) {
    for (int i = 0; i < size; ++i)
        out += static_cast<char>(value >> (8 * (big ? size - 1 - i : i)));
}

uint32_t GetLe(const std::string& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value |= uint32_t{static_cast<uint8_t>(bytes.at(at + i))} << (8 * i);
    return value;
}

// A BMP whose info header is headerSize bytes. Masks sit inside a longer header and behind
// a 40-byte one; the rest of a longer header is filler (0x5A) the repair must drop.
std::string Bmp(uint32_t headerSize, int32_t width, int32_t height, int bpp, uint32_t compression,
                const std::vector<uint32_t>& masks, const std::string& palette,
                const std::string& pixels) {
    std::string info;
    for (uint32_t field : {headerSize, uint32_t(width), uint32_t(height)})
        Put(info, field, 4);
    Put(info, 1, 2);
    Put(info, bpp, 2);
    for (size_t field : {size_t{compression}, pixels.size(), size_t{2835}, size_t{2835},
                         palette.size() / 4, size_t{0}})
        Put(info, static_cast<uint32_t>(field), 4);
    for (uint32_t mask : masks)
        Put(info, mask, 4);
    if (headerSize > 40)
        info.resize(headerSize, '\x5A');
    std::string file = "BM";
    size_t pixelsAt = 14 + info.size() + palette.size();
    Put(file, static_cast<uint32_t>(pixelsAt + pixels.size()), 4);
    Put(file, 0, 4);
    Put(file, static_cast<uint32_t>(pixelsAt), 4);
    return file + info + palette + pixels;
}

Picture Load(FREE_IMAGE_FORMAT format, std::string& bytes) {
    FIMEMORY* memory =
        FreeImage_OpenMemory(reinterpret_cast<BYTE*>(bytes.data()), DWORD(bytes.size()));
    Picture picture(FreeImage_LoadFromMemory(format, memory, 0));
    FreeImage_CloseMemory(memory);
    return picture;
}

TEST(RepairBmpForFreeImage, RewritesHeadersKeepsPixelsAndRefusesOtherMasks) {
    const Rgb red{255, 0, 0}, blue{0, 0, 255}, green{0, 255, 0}, black{};
    // Two pixels, red then blue, in each layout (24-bit rows padded to 4 bytes).
    const std::string px24("\0\0\xFF\xFF\0\0\0\0", 8), px32("\0\0\xFF\0\xFF\0\0\0", 8),
        px565("\0\xF8\x1F\0", 4), px555("\0\x7C\x1F\0", 4), px8("\1\2\0\0", 4);
    const std::vector<uint32_t> m8888{0xFF0000, 0xFF00, 0xFF, 0xFF000000},
        m888{0xFF0000, 0xFF00, 0xFF}, m565{0xF800, 0x07E0, 0x001F}, m555{0x7C00, 0x03E0, 0x001F};
    const std::string palette("\0\0\0\0\0\0\xFF\0\xFF\0\0\0\0\xFF\0\0", 16); // black red blue green
    // Bottom row: literal 1 0 1 (padded), end of line; top row: two of colour 3, end of line,
    // end of bitmap.
    const std::string rle8("\0\3\1\0\1\0\0\0\2\3\0\0\0\1", 14);
    std::string rle8Fixed = rle8;
    rle8Fixed[11] = 1;
    // Bottom row, end of line, a move down one row, top row, end of line, end of bitmap.
    const std::string rle8Skip("\3\1\0\0\0\2\0\1\3\2\0\0\0\1", 14);
    std::string rle8SkipFixed = rle8Skip;
    rle8SkipFixed[11] = 1;
    std::string offsetInHeader = Bmp(108, 2, 1, 24, 0, {}, "", px24);
    offsetInHeader[10] = 60;
    const std::string rle8Cut = Bmp(40, 3, 2, 8, 1, {}, palette, std::string("\0\5\1\2", 4));
    std::string hugeHeight = Bmp(40, 3, 2, 8, 1, {}, palette, rle8);
    hugeHeight.replace(22, 4, std::string("\0\0\0\x80", 4)); // INT32_MIN

    struct Case {
        const char* name;
        std::string in;
        bool repaired;
        std::string out;         // checked when repaired
        std::vector<Rgb> pixels; // top row first; empty: not decoded
    };
    // clang-format off
    const Case cases[] = {
        {"V4 8-8-8-8", Bmp(108, 2, 1, 32, 6, m8888, "", px32), true,
         Bmp(40, 2, 1, 32, 3, m888, "", px32), {red, blue}},
        {"V5 5-6-5", Bmp(124, 2, 1, 16, 3, m565, "", px565), true,
         Bmp(40, 2, 1, 16, 3, m565, "", px565), {red, blue}},
        {"V3 5-5-5", Bmp(56, 2, 1, 16, 3, {0x7C00, 0x03E0, 0x1F, 0}, "", px555), true,
         Bmp(40, 2, 1, 16, 3, m555, "", px555), {red, blue}},
        {"V2 8-8-8", Bmp(52, 2, 1, 32, 3, m888, "", px32), true,
         Bmp(40, 2, 1, 32, 3, m888, "", px32), {red, blue}},
        {"V5 RGB", Bmp(124, 2, 1, 24, 0, {}, "", px24), true,
         Bmp(40, 2, 1, 24, 0, {}, "", px24), {red, blue}},
        {"OS/2 2.x palette", Bmp(64, 2, 1, 8, 0, {}, palette, px8), true,
         Bmp(40, 2, 1, 8, 0, {}, palette, px8), {red, blue}},
        {"V4 RLE8", Bmp(108, 3, 2, 8, 1, {}, palette, rle8), true,
         Bmp(40, 3, 2, 8, 1, {}, palette, rle8Fixed), {green, green, black, red, black, red}},
        {"RLE8 move down", Bmp(40, 3, 3, 8, 1, {}, palette, rle8Skip), true,
         Bmp(40, 3, 3, 8, 1, {}, palette, rle8SkipFixed),
         {blue, blue, blue, black, black, black, red, red, red}},
        {"40-byte RGB", Bmp(40, 2, 1, 24, 0, {}, "", px24), true,
         Bmp(40, 2, 1, 24, 0, {}, "", px24), {red, blue}},
        {"40-byte 5-6-5", Bmp(40, 2, 1, 16, 3, m565, "", px565), true,
         Bmp(40, 2, 1, 16, 3, m565, "", px565), {red, blue}},
        {"V4 4-4-4 masks", Bmp(108, 2, 1, 16, 3, {0xF00, 0xF0, 0xF}, "", px565), false, "", {}},
        {"40-byte BGR masks", Bmp(40, 2, 1, 32, 3, {0xFF, 0xFF00, 0xFF0000}, "", px32), false,
         "", {}},
        {"24-bit masks", Bmp(40, 2, 1, 24, 3, m888, "", px24), false, "", {}},
        {"OS/2 Huffman", Bmp(64, 2, 1, 1, 3, {}, "", px24), false, "", {}},
        {"V5 cut in header", Bmp(124, 2, 1, 24, 0, {}, "", px24).substr(0, 100), false, "", {}},
        {"pixels inside header", offsetInHeader, false, "", {}},
        {"masks cut off", Bmp(40, 2, 1, 16, 3, m565, "", px565).substr(0, 58), false, "", {}},
        {"two bytes", "BM", true, "BM", {}},
        {"RLE8 cut in literal", rle8Cut, true, rle8Cut, {}},
        {"RLE8 height INT32_MIN", hugeHeight, true, hugeHeight, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = c.in;
        ASSERT_EQ(RepairBmpForFreeImage(bytes), c.repaired);
        if (!c.repaired)
            continue;
        ASSERT_EQ(bytes, c.out);
        if (c.pixels.empty())
            continue;
        Picture picture = Load(FIF_BMP, bytes);
        ASSERT_TRUE(picture);
        int width = static_cast<int>(GetLe(bytes, 18, 4));
        ASSERT_EQ(PictureWidth(picture) * PictureHeight(picture), int(c.pixels.size()));
        for (size_t i = 0; i < c.pixels.size(); ++i)
            EXPECT_EQ(testing::PixelAt(picture.get(), int(i) % width, int(i) / width), c.pixels[i])
                << i;
    }
}

// A 1 x 1 grey TIFF; IFD0 ends in the EXIF and GPS pointers under the tags given (0: left
// out), the directories they point to follow it.
std::string Tiff(bool big, uint16_t exifTag, uint16_t gpsTag) {
    std::vector<uint16_t> tags = {256, 257, 258, 259, 262, 273, 277, 278, 279};
    if (exifTag)
        tags.push_back(exifTag);
    if (gpsTag)
        tags.push_back(gpsTag);
    uint32_t exifAt = 8 + 2 + 12 * uint32_t(tags.size()) + 4, gpsAt = exifAt + 18,
             pixelAt = gpsAt + 18;
    std::string out = big ? "MM" : "II";
    Put(out, 42, 2, big);
    Put(out, 8, 4, big);
    Put(out, uint32_t(tags.size()), 2, big);
    for (uint16_t tag : tags) {
        uint32_t value = tag == 258       ? 8
                         : tag == 273     ? pixelAt
                         : tag == exifTag ? exifAt
                         : tag == gpsTag  ? gpsAt
                                          : 1;
        bool isLong = tag == 273 || tag == 279 || tag == exifTag || tag == gpsTag;
        Put(out, tag, 2, big);
        Put(out, isLong ? 4 : 3, 2, big);
        Put(out, 1, 4, big);
        Put(out, value, isLong ? 4 : 2, big);
        if (!isLong)
            Put(out, 0, 2);
    }
    Put(out, 0, 4);
    const std::tuple<int, int, const char*> directories[] = {{36864, 7, "0230"},
                                                             {0, 1, "\2\2\0\0"}};
    for (auto [tag, type, value] : directories) {
        Put(out, 1, 2, big);
        Put(out, tag, 2, big);
        Put(out, type, 2, big);
        Put(out, 4, 4, big);
        out.append(value, 4);
        Put(out, 0, 4);
    }
    return out + '\xC8';
}

TEST(HideTiffExifDirectories, RenamesOnlyTheFirstDirectorysPointers) {
    const uint16_t exif = 34665, gps = 34853, hiddenExif = 34664, hiddenGps = 34852;
    // Six bytes into IFD0's last entry, the GPS pointer: its tag is whole, the entry is not.
    const size_t inGps = 8 + 2 + 12 * 10 + 6;
    struct Case {
        const char* name;
        std::string in;
        std::string out{}; // empty: unchanged
        bool decodes = false;
    };
    const Case cases[] = {
        {"little-endian", Tiff(false, exif, gps), Tiff(false, hiddenExif, hiddenGps), true},
        {"big-endian", Tiff(true, exif, gps), Tiff(true, hiddenExif, hiddenGps), true},
        {"GPS only, big-endian", Tiff(true, 0, gps), Tiff(true, 0, hiddenGps), true},
        {"neither", Tiff(false, 0, 0), "", true},
        {"cut in the GPS entry", Tiff(true, exif, gps).substr(0, inGps),
         Tiff(true, hiddenExif, gps).substr(0, inGps)},
        {"cut in the EXIF entry", Tiff(false, exif, gps).substr(0, inGps - 12)},
        {"count past the end", std::string("II*\0\x08\0\0\0\xFF\xFF\x69\x87\4\0", 14)},
        {"IFD0 past the end", std::string("MM\0*\xFF\xFF\xFF\xF0", 8)},
        {"IFD0 at the last byte", std::string("II*\0\x08\0\0\0\x01", 9)},
        {"header only", "MM"},
        {"empty", ""},
        {"not a TIFF", "BM\x69\x87"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = c.in;
        HideTiffExifDirectories(bytes);
        ASSERT_EQ(bytes, c.out.empty() ? c.in : c.out);
        if (!c.decodes)
            continue;
        Picture picture = Load(FIF_TIFF, bytes);
        ASSERT_TRUE(picture);
        EXPECT_EQ(testing::PixelAt(picture.get(), 0, 0), (Rgb{200, 200, 200}));
    }
}

} // namespace
} // namespace velmora
