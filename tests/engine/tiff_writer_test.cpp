// The strip writer against FreeImage's own TIFF writer: for every kind of picture and
// compression it takes, the same tags (but for the strip layout) and the same pixels as
// libtiff decodes them, with one thread or several.
#include "engine/file_handles.h"
#include "engine/tiff_writer.h"
#include "support/pictures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <map>
#include <random>

namespace velmora {
namespace {

using testing::TempFolder;

// IFD0's entries as written: tag number to type, count and value bytes (offsets read
// through), leaving out the ones that follow from the strip layout.
std::map<uint16_t, std::string> Directory(const std::string& bytes) {
    auto word = [&](size_t at) {
        return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
    };
    auto dword = [&](size_t at) { return uint32_t(word(at)) | uint32_t(word(at + 2)) << 16; };
    static const std::map<uint16_t, size_t> kTypeSizes = {{1, 1}, {2, 1}, {3, 2},
                                                          {4, 4}, {5, 8}, {7, 1}};
    std::map<uint16_t, std::string> entries;
    size_t ifd = dword(4);
    for (size_t i = 0, n = word(ifd); i < n; ++i) {
        size_t entry = ifd + 2 + 12 * i;
        uint16_t tag = word(entry), type = word(entry + 2);
        if (tag == TIFFTAG_STRIPOFFSETS || tag == TIFFTAG_STRIPBYTECOUNTS ||
            tag == TIFFTAG_ROWSPERSTRIP || tag == TIFFTAG_PREDICTOR)
            continue;
        size_t size = kTypeSizes.count(type) ? kTypeSizes.at(type) * dword(entry + 4) : 4;
        size_t at = size <= 4 ? entry + 8 : dword(entry + 8);
        entries[tag] = std::to_string(type) + ":" + bytes.substr(at, size);
    }
    return entries;
}

// Every row as libtiff decodes it.
std::string Pixels(const std::string& path) {
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff)
        return "unreadable";
    uint32_t height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::string all, row(static_cast<size_t>(TIFFScanlineSize(tiff)), '\0');
    for (uint32_t y = 0; y < height; ++y)
        if (TIFFReadScanline(tiff, row.data(), y) == 1)
            all += row;
    TIFFClose(tiff);
    return all;
}

Picture Noise(FREE_IMAGE_TYPE type, int bpp) {
    // Tall enough for several strips of the writer's size, so that threads share them.
    Picture picture(FreeImage_AllocateT(type, 67, 1500, bpp));
    std::mt19937 random(bpp);
    for (unsigned y = 0; y < FreeImage_GetHeight(picture.get()); ++y) {
        BYTE* row = FreeImage_GetScanLine(picture.get(), static_cast<int>(y));
        // Smooth runs with noise on top, so that the predictor and the codecs have work.
        for (unsigned x = 0; x < FreeImage_GetLine(picture.get()); ++x)
            row[x] = static_cast<BYTE>(x / 3 + y + random() % 7);
    }
    FreeImage_SetDotsPerMeterX(picture.get(), 11811);
    FreeImage_SetDotsPerMeterY(picture.get(), 2835);
    const char profile[] = "a profile's bytes";
    FreeImage_CreateICCProfile(picture.get(), const_cast<char*>(profile), sizeof profile);
    return picture;
}

TEST(TiffWriter, WritesWhatFreeImageWritesOnAnyNumberOfThreads) {
    Picture grey = Noise(FIT_BITMAP, 24);
    grey.reset(FreeImage_ConvertToGreyscale(grey.get()));
    struct Kind {
        const char* name;
        FIBITMAP* picture;
        int flags;
    };
    Picture rgb8 = Noise(FIT_BITMAP, 24), rgba8 = Noise(FIT_BITMAP, 32),
            cmyk = Noise(FIT_BITMAP, 32), rgb16 = Noise(FIT_RGB16, 48);
    const Kind kinds[] = {{"rgb 8", rgb8.get(), 0},
                          {"rgba 8", rgba8.get(), 0},
                          {"cmyk", cmyk.get(), TIFF_CMYK},
                          {"rgb 16", rgb16.get(), 0},
                          {"grey 8", grey.get(), 0}};
    const int compressions[] = {TIFF_NONE, TIFF_LZW, TIFF_DEFLATE, TIFF_ADOBE_DEFLATE,
                                TIFF_PACKBITS};
    TempFolder folder;
    for (const Kind& kind : kinds) {
        for (int compression : compressions) {
            const int flags = kind.flags | compression;
            SCOPED_TRACE(std::string(kind.name) + " flags " + std::to_string(flags));
            ASSERT_TRUE(TiffWriterTakes(kind.picture, flags));
            const std::string theirs = folder / "freeimage.tif";
            ASSERT_TRUE(FreeImage_Save(FIF_TIFF, kind.picture, theirs.c_str(), flags));
            for (int threads : {1, 3}) {
                const std::string ours = folder / "ours.tif";
                testing::WriteFile(ours, "");
                WriteHandle out(ours);
                ASSERT_TRUE(WriteTiffStrips(kind.picture, flags, out, threads));
                ASSERT_TRUE(out.close());
                EXPECT_EQ(Directory(testing::ReadFile(ours)), Directory(testing::ReadFile(theirs)));
                EXPECT_EQ(Pixels(ours), Pixels(theirs)) << threads << " threads";
            }
        }
    }
    // What stays with FreeImage: palettes, other compressions, floating point.
    Picture palette(FreeImage_ColorQuantizeEx(rgb8.get(), FIQ_WUQUANT, 256, 0, nullptr));
    Picture real(FreeImage_ConvertToRGBF(rgb8.get()));
    EXPECT_FALSE(TiffWriterTakes(palette.get(), TIFF_LZW));
    EXPECT_FALSE(TiffWriterTakes(rgb8.get(), TIFF_JPEG));
    EXPECT_FALSE(TiffWriterTakes(real.get(), TIFF_NONE));
}

} // namespace
} // namespace velmora
