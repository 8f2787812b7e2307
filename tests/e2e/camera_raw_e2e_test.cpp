// Our LibRaw loader against FreeImage's RAW loader, the path it replaced: every camera sample
// and our own DNGs (with and without a preview, in all eight orientations), in every RAW load
// mode, give the same picture, ICC profile and metadata, and the program writes that picture.
// A JPEG preview is the exception: it is libjpeg's accurate decode, where FreeImage's loader
// takes its fast one.
#include <libraw/libraw.h>

#include "dng/dng_writer.h"
#include "e2e/e2e_support.h"
#include "engine/camera_raw.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace velmora::testing {
namespace {

// Every tag of every metadata model: model, key, type, count and value bytes.
std::string MetadataOf(FIBITMAP* picture) {
    std::string all;
    for (int model = FIMD_COMMENTS; model <= FIMD_EXIF_RAW; ++model) {
        // Where our loader adds what LibRaw read of the maker notes.
        if (model == FIMD_CUSTOM)
            continue;
        FITAG* tag = nullptr;
        FIMETADATA* found =
            FreeImage_FindFirstMetadata(static_cast<FREE_IMAGE_MDMODEL>(model), picture, &tag);
        for (bool more = found != nullptr; more; more = FreeImage_FindNextMetadata(found, &tag)) {
            all += std::to_string(model) + " " + FreeImage_GetTagKey(tag) + " " +
                   std::to_string(FreeImage_GetTagType(tag)) + " " +
                   std::to_string(FreeImage_GetTagCount(tag)) + " ";
            all.append(static_cast<const char*>(FreeImage_GetTagValue(tag)),
                       FreeImage_GetTagLength(tag));
            all += '\n';
        }
        if (found)
            FreeImage_FindCloseMetadata(found);
    }
    return all;
}

std::string ProfileOf(FIBITMAP* picture) {
    FIICCPROFILE* icc = FreeImage_GetICCProfile(picture);
    return icc && icc->data ? std::string(static_cast<const char*>(icc->data), icc->size) : "";
}

// The camera file's embedded JPEG, as LibRaw hands it out; "" when it has none.
std::string EmbeddedJpeg(const std::string& path) {
    LibRaw raw;
    if (raw.open_file(path.c_str()) != LIBRAW_SUCCESS || raw.unpack_thumb() != LIBRAW_SUCCESS ||
        raw.imgdata.thumbnail.tformat != LIBRAW_THUMBNAIL_JPEG)
        return {};
    int error = 0;
    libraw_processed_image_t* image = raw.dcraw_make_mem_thumb(&error);
    std::string jpeg =
        image ? std::string(reinterpret_cast<const char*>(image->data), image->data_size)
              : std::string();
    LibRaw::dcraw_clear_mem(image);
    return jpeg;
}

// libjpeg's accurate decode: the slow integer DCT and fancy upsampling, into a 24-bit bitmap.
Picture AccurateDecode(const std::string& jpeg) {
    jpeg_decompress_struct decoder{};
    jpeg_error_mgr errors{};
    decoder.err = jpeg_std_error(&errors);
    errors.error_exit = [](j_common_ptr) { std::abort(); };
    jpeg_create_decompress(&decoder);
    jpeg_mem_src(&decoder, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
    jpeg_read_header(&decoder, TRUE);
    decoder.dct_method = JDCT_ISLOW;
    decoder.do_fancy_upsampling = TRUE;
    decoder.out_color_space = JCS_RGB;
    jpeg_start_decompress(&decoder);
    Picture picture(FreeImage_Allocate(static_cast<int>(decoder.output_width),
                                       static_cast<int>(decoder.output_height), 24));
    std::vector<JSAMPLE> row(decoder.output_width * 3);
    while (decoder.output_scanline < decoder.output_height) {
        BYTE* line = FreeImage_GetScanLine(
            picture.get(), static_cast<int>(decoder.output_height - 1 - decoder.output_scanline));
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&decoder, rows, 1);
        for (unsigned x = 0; x < decoder.output_width; ++x) {
            line[x * 3 + FI_RGBA_RED] = row[x * 3];
            line[x * 3 + FI_RGBA_GREEN] = row[x * 3 + 1];
            line[x * 3 + FI_RGBA_BLUE] = row[x * 3 + 2];
        }
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    return picture;
}

// The largest difference of one channel between two 24-bit pictures of one size.
int LargestDifference(FIBITMAP* a, FIBITMAP* b) {
    int largest = 0;
    for (unsigned y = 0; y < FreeImage_GetHeight(a); ++y) {
        const BYTE* p = FreeImage_GetScanLine(a, static_cast<int>(y));
        const BYTE* q = FreeImage_GetScanLine(b, static_cast<int>(y));
        for (unsigned i = 0; i < FreeImage_GetWidth(a) * 3; ++i)
            largest = std::max(largest, std::abs(p[i] - q[i]));
    }
    return largest;
}

// The difference from the decode in whichever of the eight orientations fits best (the
// preview is turned by its EXIF orientation).
int DifferenceFromAccurateDecode(FIBITMAP* loaded, const std::string& jpeg) {
    Picture decoded = AccurateDecode(jpeg);
    int best = 256;
    for (int turn = 0; turn < 4; ++turn) {
        for (bool mirrored : {false, true}) {
            Picture oriented(FreeImage_Rotate(decoded.get(), 90.0 * turn));
            if (mirrored)
                FreeImage_FlipHorizontal(oriented.get());
            if (FreeImage_GetWidth(oriented.get()) == FreeImage_GetWidth(loaded) &&
                FreeImage_GetHeight(oriented.get()) == FreeImage_GetHeight(loaded))
                best = std::min(best, LargestDifference(loaded, oriented.get()));
        }
    }
    return best;
}

TEST(CameraRaw, LoadsWhatFreeImagesRawLoaderLoadsInEveryMode) {
    TempFolder folder;
    std::vector<std::string> sources;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        dng::DngOptions options;
        options.width = 322, options.height = 242, options.orientation = orientation;
        options.embedPreview = orientation % 2 == 1;
        sources.push_back(folder / ("ours" + std::to_string(orientation) + ".dng"));
        ASSERT_TRUE(dng::WriteDng(sources.back(), options));
    }
    if (!SamplesFolder().empty())
        for (const auto& entry : std::filesystem::directory_iterator(SamplesFolder()))
            if (entry.is_regular_file() && entry.path().extension() != ".md")
                sources.push_back(entry.path().string());
    struct Mode {
        const char* word;
        int freeImageFlags;
        RawMode ours;
    };
    const Mode modes[] = {{"auto", RAW_PREVIEW, RawMode::Preview},
                          {"24", RAW_DISPLAY, RawMode::Display},
                          {"48hs", RAW_HALFSIZE, RawMode::HalfSize},
                          {"48", RAW_DEFAULT, RawMode::Linear}};
    for (const std::string& source : sources) {
        for (const auto& [mode, flags, ourMode] : modes) {
            std::string shown = std::filesystem::path(source).filename().string() + " " + mode;
            Picture reference(FreeImage_Load(FIF_RAW, source.c_str(), flags));
            Picture ours = LoadCameraRaw(source, ourMode).picture;
            ASSERT_TRUE(reference) << shown;
            ASSERT_TRUE(ours) << shown;
            EXPECT_EQ(FreeImage_GetImageType(ours.get()), FreeImage_GetImageType(reference.get()));
            EXPECT_EQ(PictureBpp(ours), PictureBpp(reference)) << shown;
            EXPECT_EQ(PictureWidth(ours), PictureWidth(reference)) << shown;
            EXPECT_EQ(PictureHeight(ours), PictureHeight(reference)) << shown;
            const std::string jpeg = flags == RAW_PREVIEW ? EmbeddedJpeg(source) : "";
            if (jpeg.empty()) {
                EXPECT_TRUE(PixelBytes(ours.get()) == PixelBytes(reference.get())) << shown;
            } else {
                EXPECT_LE(DifferenceFromAccurateDecode(ours.get(), jpeg), 1) << shown;
            }
            EXPECT_EQ(FreeImage_GetDotsPerMeterX(ours.get()),
                      FreeImage_GetDotsPerMeterX(reference.get()));
            EXPECT_EQ(FreeImage_GetDotsPerMeterY(ours.get()),
                      FreeImage_GetDotsPerMeterY(reference.get()));
            EXPECT_TRUE(ProfileOf(ours.get()) == ProfileOf(reference.get())) << shown;
            EXPECT_TRUE(MetadataOf(ours.get()) == MetadataOf(reference.get())) << shown;
            // Rows left as LibRaw made them come to the same picture once put in order.
            CameraRawPicture asDecoded = LoadCameraRaw(source, ourMode, {}, {}, true);
            if (asDecoded.rowsAsDecoded)
                FinishDecodedRows(asDecoded.picture.get());
            EXPECT_TRUE(PixelBytes(asDecoded.picture.get()) == PixelBytes(ours.get())) << shown;

            RunOptions options;
            options.workFolder = folder.Path();
            RunResult result =
                RunProgram({"-q", "-i", source, "-o", folder.Path(), "--filename-mask=out.%ext%",
                            std::string("--raw-load-as=") + mode, "--raw-tone-mapping=none"},
                           options);
            ASSERT_EQ(result.exitStatus, 0) << shown;
            Picture written = LoadWrittenTiff(folder / "out.tiff");
            ASSERT_TRUE(written) << shown;
            EXPECT_TRUE(PixelBytes(written.get()) == PixelBytes(ours.get())) << shown;
        }
    }
}

// Our DNG with its preview's byte count (IFD0, little-endian) grown far past the file's end:
// LibRaw refuses to read such a preview by freeing everything it holds.
std::string WithPreviewPastTheEnd(std::string dng) {
    auto at = [&](size_t offset, int bytes) {
        uint32_t value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = value << 8 | static_cast<uint8_t>(dng.at(offset + static_cast<size_t>(i)));
        return value;
    };
    const size_t ifd = at(4, 4);
    for (size_t entry = ifd + 2; entry < ifd + 2 + 12 * at(ifd, 2); entry += 12)
        if (at(entry, 2) == 279) { // StripByteCounts
            const uint32_t grown = at(entry + 8, 4) + 1000000;
            for (int i = 0; i < 4; ++i)
                dng.at(entry + 8 + static_cast<size_t>(i)) = static_cast<char>(grown >> (8 * i));
        }
    return dng;
}

// The decode keeps its picture, and the preview mode falls back to the display decode.
TEST(CameraRaw, ADamagedPreviewLeavesTheDecodeWhole) {
    TempFolder folder;
    dng::DngOptions options;
    options.width = 320, options.height = 240;
    const std::string intact = folder / "intact.dng", damaged = folder / "damaged.dng";
    ASSERT_TRUE(dng::WriteDng(intact, options));
    WriteFile(damaged, WithPreviewPastTheEnd(ReadFile(intact)));
    ASSERT_NE(ReadFile(damaged), ReadFile(intact));
    for (RawMode mode : {RawMode::Display, RawMode::Linear, RawMode::HalfSize, RawMode::Preview}) {
        SCOPED_TRACE(static_cast<int>(mode));
        CameraRawPicture expected =
            LoadCameraRaw(intact, mode == RawMode::Preview ? RawMode::Display : mode);
        CameraRawPicture loaded = LoadCameraRaw(damaged, mode);
        ASSERT_TRUE(expected.picture);
        ASSERT_TRUE(loaded.picture) << loaded.failure;
        EXPECT_EQ(loaded.origin, expected.origin);
        EXPECT_TRUE(PixelBytes(loaded.picture.get()) == PixelBytes(expected.picture.get()));
    }
}

} // namespace
} // namespace velmora::testing
