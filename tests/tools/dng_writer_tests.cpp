// The sample DNG writer's own parts: fractions, the TIFF layout read back by libtiff, the
// options it refuses, and the raw mosaic it stores.
#include "dng/dng_writer.h"
#include "dng/tiff_builder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstdarg>
#include <cstring>
#include <map>
#include <vector>

namespace velmora::dng {
namespace {

using velmora::testing::TempFolder;

std::vector<std::string>& TiffWarnings() {
    static std::vector<std::string> warnings;
    return warnings;
}

void RecordTiffWarning(const char* module, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    TiffWarnings().push_back(std::string(module ? module : "") + ": " + text);
}

// Opens bytes with libtiff through a temporary file, collecting its warnings: libtiff warns
// about unsorted tags, wrong types and counts, which readers less patient than it reject.
class TiffReader {
public:
    explicit TiffReader(const std::string& bytes) {
        velmora::testing::WriteFile(folder_ / "file.tif", bytes);
        TiffWarnings().clear();
        TIFFSetWarningHandler(RecordTiffWarning);
        // "c": the mosaic is one strip, and libtiff would otherwise cut it into many.
        tiff_ = TIFFOpen((folder_ / "file.tif").c_str(), "rc");
    }
    ~TiffReader() {
        if (tiff_)
            TIFFClose(tiff_);
    }
    TIFF* get() const { return tiff_; }
    uint32_t U32(uint32_t tag) const {
        uint32_t value = 0;
        EXPECT_EQ(TIFFGetField(tiff_, tag, &value), 1) << "tag " << tag;
        return value;
    }
    uint16_t U16(uint32_t tag) const {
        uint16_t value = 0;
        EXPECT_EQ(TIFFGetField(tiff_, tag, &value), 1) << "tag " << tag;
        return value;
    }
    std::string Text(uint32_t tag) const {
        const char* value = nullptr;
        EXPECT_EQ(TIFFGetField(tiff_, tag, &value), 1) << "tag " << tag;
        return value ? value : "";
    }
    std::string RawStrip() const {
        std::string bytes(TIFFRawStripSize(tiff_, 0), '\0');
        EXPECT_EQ(TIFFReadRawStrip(tiff_, 0, bytes.data(), static_cast<tmsize_t>(bytes.size())),
                  static_cast<tmsize_t>(bytes.size()));
        return bytes;
    }

private:
    TempFolder folder_;
    TIFF* tiff_ = nullptr;
};

struct RationalCase {
    double value;
    uint32_t maxDenominator, numerator, denominator;
};

TEST(ToRational, FindsTheClosestFractionWithinTheDenominatorLimit) {
    const RationalCase cases[] = {
        {300, 100000, 300, 1},
        {1.0 / 125, 100000, 1, 125},
        {5.6, 100, 28, 5},
        {0.48, 10000, 12, 25},
        {3.14159265358979, 1000, 355, 113},
        {0, 100, 0, 1},
        {-2, 100, 0, 1},
        {1e-9, 1000, 1, 1000},
        {5e9, 100, 4294967295u, 1},
        {3.14159265358979, 100, 22, 7},
        {0.48, 10, 1, 2},
    };
    for (const RationalCase& c : cases) {
        const Rational r = ToRational(c.value, c.maxDenominator);
        EXPECT_EQ(r.numerator, c.numerator) << c.value;
        EXPECT_EQ(r.denominator, c.denominator) << c.value;
    }
}

TEST(ToSRational, RoundsToTheGivenDenominatorAndKeepsTheSign) {
    EXPECT_EQ(ToSRational(-1.53713, 10000).numerator, -15371);
    EXPECT_EQ(ToSRational(0.00004, 10000).numerator, 0);
    EXPECT_EQ(ToSRational(1e12, 10).numerator, 2147483647);
    EXPECT_THROW(ToSRational(1, 0), std::invalid_argument);
}

uint32_t Read32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes.at(at + i));
    return value;
}

// TIFF wants values that do not fit an entry to start on a word boundary; libtiff does not
// insist, so the first directory's entries are checked by hand.
bool ValuesStartOnEvenOffsets(const std::string& bytes) {
    const size_t directory = Read32(bytes, 4);
    const size_t count = Read32(bytes, directory) & 0xFFFF;
    const std::map<uint16_t, uint32_t> typeSize = {{1, 1}, {2, 1}, {3, 2}, {4, 4},
                                                   {5, 8}, {7, 1}, {10, 8}};
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = directory + 2 + 12 * i;
        const uint32_t type = Read32(bytes, entry + 2) & 0xFFFF;
        const uint32_t size = typeSize.at(static_cast<uint16_t>(type)) * Read32(bytes, entry + 4);
        if (size > 4 && Read32(bytes, entry + 8) % 2 != 0)
            return false;
    }
    return true;
}

TEST(TiffBuilder, WritesDirectoriesBlocksAndSubDirectoriesThatLibtiffReads) {
    TiffBuilder builder;
    const int first = builder.AddDirectory();
    const int second = builder.AddDirectory();
    const int pixels = builder.AddBlock(std::string("\x01\x02\x03\x04\x05\x06", 6));
    const int small = builder.AddBlock(std::string("\x09\x08\x07\x06", 4));
    // Tags go in out of order; an odd-length text comes before a value that must be aligned.
    for (int index : {first, second}) {
        TiffDirectory& d = builder.Directory(index);
        d.Short(TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        d.Short(TIFFTAG_BITSPERSAMPLE, 8);
        d.Ascii(TIFFTAG_MAKE, "Camera");
        d.Rationals(TIFFTAG_XRESOLUTION, {{7, 2}});
        d.Short(TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        d.Short(TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    }
    TiffDirectory& main = builder.Directory(first);
    main.Long(TIFFTAG_IMAGEWIDTH, 3);
    main.Long(TIFFTAG_IMAGELENGTH, 2);
    main.BlockOffsets(TIFFTAG_STRIPOFFSETS, {pixels});
    main.Long(TIFFTAG_STRIPBYTECOUNTS, 6);
    main.Long(TIFFTAG_ROWSPERSTRIP, 2);
    main.DirectoryOffsets(TIFFTAG_SUBIFD, {second});
    TiffDirectory& sub = builder.Directory(second);
    sub.Long(TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    sub.Long(TIFFTAG_IMAGEWIDTH, 2);
    sub.Long(TIFFTAG_IMAGELENGTH, 2);
    sub.BlockOffsets(TIFFTAG_STRIPOFFSETS, {small});
    sub.Long(TIFFTAG_STRIPBYTECOUNTS, 4);
    sub.Long(TIFFTAG_ROWSPERSTRIP, 2);

    const std::string bytes = builder.Build();
    EXPECT_TRUE(ValuesStartOnEvenOffsets(bytes));
    TiffReader tiff(bytes);
    ASSERT_NE(tiff.get(), nullptr);
    EXPECT_EQ(tiff.U32(TIFFTAG_IMAGEWIDTH), 3u);
    EXPECT_EQ(tiff.Text(TIFFTAG_MAKE), "Camera");
    float resolution = 0;
    ASSERT_EQ(TIFFGetField(tiff.get(), TIFFTAG_XRESOLUTION, &resolution), 1);
    EXPECT_FLOAT_EQ(resolution, 3.5f);
    EXPECT_EQ(tiff.RawStrip(), std::string("\x01\x02\x03\x04\x05\x06", 6));
    uint16_t count = 0;
    uint64_t* offsets = nullptr;
    ASSERT_EQ(TIFFGetField(tiff.get(), TIFFTAG_SUBIFD, &count, &offsets), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(TIFFReadDirectory(tiff.get()), 0) << "nothing is chained after the first directory";
    ASSERT_EQ(TIFFSetSubDirectory(tiff.get(), offsets[0]), 1);
    EXPECT_EQ(tiff.U32(TIFFTAG_SUBFILETYPE), static_cast<uint32_t>(FILETYPE_REDUCEDIMAGE));
    EXPECT_EQ(tiff.RawStrip(), std::string("\x09\x08\x07\x06", 4));
    EXPECT_TRUE(TiffWarnings().empty()) << TiffWarnings().front();
}

TEST(TiffBuilder, RefusesEmptyValuesAndFilesWithoutDirectories) {
    TiffDirectory directory;
    EXPECT_THROW(directory.Shorts(1, {}), std::invalid_argument);
    EXPECT_THROW(directory.DirectoryOffsets(1, {}), std::invalid_argument);
    EXPECT_THROW(TiffBuilder().Build(), std::logic_error);
}

TEST(CheckOptions, AcceptsTheDefaultsAndRefusesEachBadField) {
    EXPECT_EQ(CheckOptions(DngOptions{}), "");
    const std::vector<std::pair<const char*, void (*)(DngOptions&)>> faults = {
        {"odd width", [](DngOptions& o) { o.width = 641; }},
        {"tiny height", [](DngOptions& o) { o.height = kMinSide - 2; }},
        {"huge width", [](DngOptions& o) { o.width = kMaxSide + 2; }},
        {"wide preview", [](DngOptions& o) { o.previewWidth = o.width + 2; }},
        {"tiny preview", [](DngOptions& o) { o.previewWidth = 4; }},
        {"zero dpi", [](DngOptions& o) { o.xResolutionDpi = 0; }},
        {"nan dpi", [](DngOptions& o) { o.yResolutionDpi = std::nan(""); }},
        {"empty make", [](DngOptions& o) { o.make.clear(); }},
        {"control in model", [](DngOptions& o) { o.model = "a\nb"; }},
        {"bad date", [](DngOptions& o) { o.dateTimeOriginal = "2024-05-17 10:30:00"; }},
        {"zero exposure", [](DngOptions& o) { o.exposureTime = 0; }},
        {"negative f-number", [](DngOptions& o) { o.fNumber = -2; }},
        {"iso", [](DngOptions& o) { o.iso = 70000; }},
        {"orientation", [](DngOptions& o) { o.orientation = 9; }},
    };
    for (const auto& [name, spoil] : faults) {
        DngOptions options;
        spoil(options);
        EXPECT_NE(CheckOptions(options), "") << name;
        EXPECT_THROW(BuildDng(options), std::invalid_argument) << name;
    }
}

TEST(PreviewSize, DefaultsToHalfTheRawWidthAndKeepsTheAspect) {
    struct Case {
        int width, height, previewWidth;
        bool embed;
        int expectedWidth, expectedHeight;
    };
    const Case cases[] = {{640, 428, 0, true, 320, 214},
                          {640, 428, 201, true, 201, 134},
                          {6000, 4000, 0, true, 3000, 2000},
                          {32, 1000, 8, true, 8, 250},
                          {640, 428, 0, false, 0, 0}};
    for (const Case& c : cases) {
        DngOptions options;
        options.width = c.width;
        options.height = c.height;
        options.previewWidth = c.previewWidth;
        options.embedPreview = c.embed;
        const Size size = PreviewSize(options);
        EXPECT_EQ(size.width, c.expectedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(size.height, c.expectedHeight) << c.width << "x" << c.height;
    }
}

TEST(ScenePatches, LieInsideTheFrameOnWholeColourCellsWithoutOverlapping) {
    for (auto [width, height] : {std::pair{32, 32}, {640, 428}, {34, 1000}, {6000, 4000}}) {
        const std::vector<ScenePatch> patches = ScenePatches(width, height);
        ASSERT_GE(patches.size(), 4u);
        for (size_t i = 0; i < patches.size(); ++i) {
            const ScenePatch& p = patches[i];
            EXPECT_GT(p.width, 0) << p.name;
            EXPECT_GT(p.height, 0) << p.name;
            EXPECT_LE(p.left + p.width, width) << p.name;
            EXPECT_LE(p.top + p.height, height) << p.name;
            EXPECT_EQ((p.left | p.top | p.width | p.height) % 2, 0) << p.name;
            for (size_t j = 0; j < i; ++j) {
                const ScenePatch& q = patches[j];
                const bool apart = p.left >= q.left + q.width || q.left >= p.left + p.width ||
                                   p.top >= q.top + q.height || q.top >= p.top + p.height;
                EXPECT_TRUE(apart) << p.name << " overlaps " << q.name << " at " << width;
            }
        }
    }
}

TEST(BuildDng, IsDeterministicAndTheSeedChangesPreviewAndMosaic) {
    DngOptions options;
    const std::string first = BuildDng(options);
    EXPECT_EQ(BuildDng(options), first);
    options.seed = 2;
    const std::string other = BuildDng(options);
    // The mosaic fills the end of the file; the preview sits before it.
    const size_t mosaic = size_t{640} * 428 * 2;
    EXPECT_NE(other.substr(other.size() - mosaic), first.substr(first.size() - mosaic));
    EXPECT_NE(other.substr(0, other.size() - mosaic), first.substr(0, first.size() - mosaic));
}

TEST(WriteDng, ReportsAnUnwritablePath) {
    TempFolder folder;
    std::string error;
    EXPECT_FALSE(WriteDng(folder / "missing/out.dng", DngOptions{}, &error));
    EXPECT_NE(error.find("missing/out.dng"), std::string::npos) << error;
    DngOptions bad;
    bad.width = 3;
    EXPECT_FALSE(WriteDng(folder / "bad.dng", bad, &error));
    EXPECT_FALSE(velmora::testing::FileExists(folder / "bad.dng"));
}

// Mean of (sample - black) over the sites of one filter colour (0 red, 1 green, 2 blue) in the
// middle half of a patch.
double SiteMean(const std::vector<uint16_t>& mosaic, int width, const ScenePatch& p, int colour) {
    double sum = 0;
    int count = 0;
    for (int y = p.top + p.height / 4; y < p.top + p.height * 3 / 4; ++y)
        for (int x = p.left + p.width / 4; x < p.left + p.width * 3 / 4; ++x) {
            const int site = (y % 2) + (x % 2); // 0 red, 1 green, 2 blue for RGGB
            if (site == colour) {
                sum += mosaic[static_cast<size_t>(y) * width + x] - double{kBlackLevel};
                ++count;
            }
        }
    return count ? sum / count : 0;
}

class DngLayout : public ::testing::TestWithParam<bool> {};

TEST_P(DngLayout, LibtiffReadsTheDirectoriesTheMosaicAndTheCaptureSettings) {
    DngOptions options;
    options.embedPreview = GetParam();
    options.width = 256;
    options.height = 192;
    options.xResolutionDpi = 150;
    options.iso = 800;
    TiffReader tiff(BuildDng(options));
    ASSERT_NE(tiff.get(), nullptr);
    uint8_t* version = nullptr;
    ASSERT_EQ(TIFFGetField(tiff.get(), TIFFTAG_DNGVERSION, &version), 1);
    EXPECT_EQ(version[0], 1);
    EXPECT_EQ(tiff.Text(TIFFTAG_UNIQUECAMERAMODEL), options.make + " " + options.model);
    EXPECT_EQ(tiff.Text(TIFFTAG_MAKE), options.make);
    float resolution = 0;
    ASSERT_EQ(TIFFGetField(tiff.get(), TIFFTAG_XRESOLUTION, &resolution), 1);
    EXPECT_FLOAT_EQ(resolution, 150.0f);
    EXPECT_EQ(tiff.U16(TIFFTAG_RESOLUTIONUNIT), RESUNIT_INCH);

    uint16_t subCount = 0;
    uint64_t* subOffsets = nullptr;
    const bool hasSub = TIFFGetField(tiff.get(), TIFFTAG_SUBIFD, &subCount, &subOffsets) == 1;
    uint64_t exifOffset = 0;
    ASSERT_EQ(TIFFGetField(tiff.get(), TIFFTAG_EXIFIFD, &exifOffset), 1);
    if (options.embedPreview) {
        const Size preview = PreviewSize(options);
        EXPECT_EQ(tiff.U32(TIFFTAG_SUBFILETYPE), static_cast<uint32_t>(FILETYPE_REDUCEDIMAGE));
        EXPECT_EQ(tiff.U32(TIFFTAG_IMAGEWIDTH), static_cast<uint32_t>(preview.width));
        EXPECT_EQ(tiff.U32(TIFFTAG_IMAGELENGTH), static_cast<uint32_t>(preview.height));
        EXPECT_EQ(tiff.U16(TIFFTAG_COMPRESSION), COMPRESSION_JPEG);
        // LibRaw keeps a preview's own EXIF only when it follows the start-of-image marker.
        const std::string jpeg = tiff.RawStrip();
        EXPECT_EQ(jpeg.substr(0, 4), "\xFF\xD8\xFF\xE1");
        EXPECT_EQ(jpeg.substr(6, 6), std::string("Exif\0\0", 6));
        ASSERT_TRUE(hasSub);
        ASSERT_EQ(subCount, 1);
        ASSERT_EQ(TIFFSetSubDirectory(tiff.get(), subOffsets[0]), 1);
    } else {
        EXPECT_FALSE(hasSub);
    }

    // The raw directory, wherever it is.
    EXPECT_EQ(tiff.U32(TIFFTAG_SUBFILETYPE), 0u);
    EXPECT_EQ(tiff.U32(TIFFTAG_IMAGEWIDTH), static_cast<uint32_t>(options.width));
    EXPECT_EQ(tiff.U32(TIFFTAG_IMAGELENGTH), static_cast<uint32_t>(options.height));
    EXPECT_EQ(tiff.U16(TIFFTAG_BITSPERSAMPLE), 16);
    EXPECT_EQ(tiff.U16(TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_CFA);
    EXPECT_EQ(tiff.U16(TIFFTAG_COMPRESSION), COMPRESSION_NONE);
    uint16_t patternCount = 0;
    uint8_t* pattern = nullptr;
    ASSERT_EQ(TIFFGetField(tiff.get(), TIFFTAG_CFAPATTERN, &patternCount, &pattern), 1);
    ASSERT_EQ(patternCount, 4);
    EXPECT_EQ(std::vector<int>(pattern, pattern + 4), (std::vector<int>{0, 1, 1, 2}));

    const std::string strip = tiff.RawStrip();
    ASSERT_EQ(strip.size(), size_t{2} * options.width * options.height);
    std::vector<uint16_t> mosaic(strip.size() / 2);
    for (size_t i = 0; i < mosaic.size(); ++i)
        mosaic[i] = static_cast<uint16_t>(static_cast<uint8_t>(strip[2 * i]) |
                                          static_cast<uint8_t>(strip[2 * i + 1]) << 8);
    for (uint16_t sample : mosaic)
        ASSERT_LE(sample, kWhiteLevel);
    // Behind each filter colour a patch is as strong as its colour says.
    for (const ScenePatch& patch : ScenePatches(options.width, options.height)) {
        const double nominal[3] = {patch.red, patch.green, patch.blue};
        const double top = std::max({patch.red, patch.green, patch.blue});
        double measured[3];
        for (int c = 0; c < 3; ++c) {
            measured[c] = SiteMean(mosaic, options.width, patch, c);
            EXPECT_GT(measured[c], 0) << patch.name << " channel " << c;
        }
        for (int strong = 0; strong < 3; ++strong)
            for (int weak = 0; weak < 3; ++weak)
                if (nominal[strong] >= 0.5 * top && nominal[weak] <= 0.2 * top) {
                    EXPECT_GT(measured[strong], 2 * measured[weak]) << patch.name;
                }
    }

    ASSERT_EQ(TIFFReadEXIFDirectory(tiff.get(), exifOffset), 1);
    EXPECT_EQ(tiff.Text(EXIFTAG_DATETIMEORIGINAL), options.dateTimeOriginal);
    uint16_t isoCount = 0;
    uint16_t* iso = nullptr;
    ASSERT_EQ(TIFFGetField(tiff.get(), EXIFTAG_ISOSPEEDRATINGS, &isoCount, &iso), 1);
    EXPECT_EQ(iso[0], options.iso);
    float exposure = 0, fNumber = 0; // this libtiff hands EXIF rationals out as float
    ASSERT_EQ(TIFFGetField(tiff.get(), EXIFTAG_EXPOSURETIME, &exposure), 1);
    EXPECT_FLOAT_EQ(exposure, static_cast<float>(options.exposureTime));
    ASSERT_EQ(TIFFGetField(tiff.get(), EXIFTAG_FNUMBER, &fNumber), 1);
    EXPECT_FLOAT_EQ(fNumber, static_cast<float>(options.fNumber));
    EXPECT_TRUE(TiffWarnings().empty()) << TiffWarnings().front();
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutPreview, DngLayout, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Preview" : "NoPreview"; });

} // namespace
} // namespace velmora::dng
