// Each output carries the profile of the values it holds: rendered through their profiles,
// the display decode and the linear decodes of one camera file look the same; grey, bilevel
// and headerless outputs carry a grey profile or none; a JPEG keeps its own profile; CMYK
// separations come back as the picture they were made from.
#include "e2e/e2e_support.h"
#include "imageops/cmyk_separation.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>
#include <lcms2.h>
#include <tiffio.h>

#include <cmath>
#include <filesystem>
#include <optional>

namespace velmora::testing {
namespace {

// Read with libtiff: FreeImage 3.18 gives the profile of a TIFF that has an EXIF directory
// with its first bytes overwritten (it reads them after freeing them).
std::string ProfileOf(const std::string& path) {
    std::string icc;
    if (TIFF* tiff = TIFFOpen(path.c_str(), "r")) {
        uint32_t size = 0;
        void* data = nullptr;
        if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &size, &data) && data)
            icc.assign(static_cast<const char*>(data), size);
        TIFFClose(tiff);
    }
    return icc;
}

// A written picture and the profile in its file.
struct Output {
    Picture picture;
    std::string icc;
};

cmsUInt32Number LcmsFormatOf(FIBITMAP* picture) {
    switch (FreeImage_GetImageType(picture)) {
    case FIT_RGB16:
        return TYPE_RGB_16;
    case FIT_RGBF:
        return TYPE_RGB_FLT;
    default:
        unsigned bpp = FreeImage_GetBPP(picture);
        return bpp == 8 ? TYPE_GRAY_8 : bpp == 24 ? TYPE_BGR_8 : TYPE_CMYK_8;
    }
}

// The picture rendered to 8-bit sRGB through the profile it carries (relative colorimetric).
std::optional<Picture> Rendered(FIBITMAP* picture, const std::string& icc) {
    Picture expanded;
    if (FreeImage_GetColorType(picture) == FIC_PALETTE)
        picture = (expanded = Picture(FreeImage_ConvertTo24Bits(picture))).get();
    cmsHPROFILE from = cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
    if (!from)
        return std::nullopt;
    cmsHPROFILE to = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = cmsCreateTransform(from, LcmsFormatOf(picture), to, TYPE_BGR_8,
                                                 INTENT_RELATIVE_COLORIMETRIC, 0);
    unsigned width = FreeImage_GetWidth(picture), height = FreeImage_GetHeight(picture);
    Picture out(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 24));
    for (unsigned y = 0; y < height; ++y)
        cmsDoTransform(transform, FreeImage_GetScanLine(picture, static_cast<int>(y)),
                       FreeImage_GetScanLine(out.get(), static_cast<int>(y)), width);
    cmsDeleteTransform(transform);
    cmsCloseProfile(from);
    cmsCloseProfile(to);
    return out;
}

// The mean of each channel of a 24-bit picture.
Rgb MeanOf(FIBITMAP* picture) {
    double sums[3] = {}, count = double(FreeImage_GetWidth(picture)) * FreeImage_GetHeight(picture);
    for (unsigned y = 0; y < FreeImage_GetHeight(picture); ++y)
        for (unsigned i = 0; i < FreeImage_GetWidth(picture) * 3; ++i)
            sums[i % 3] += FreeImage_GetScanLine(picture, int(y))[i];
    return {int(sums[FI_RGBA_RED] / count), int(sums[FI_RGBA_GREEN] / count),
            int(sums[FI_RGBA_BLUE] / count)};
}

// A JPEG with an ICC profile in its APP2 segment, right after the start-of-image marker.
std::string WithIccSegment(const std::string& jpeg, const std::string& icc) {
    std::string segment = std::string("ICC_PROFILE") + '\0' + '\1' + '\1' + icc;
    size_t length = segment.size() + 2;
    std::string header = {'\xFF', '\xE2', char(length >> 8), char(length & 0xFF)};
    return jpeg.substr(0, 2) + header + segment + jpeg.substr(2);
}

class Color : public ::testing::Test {
protected:
    Output Converted(const std::string& input, const std::vector<std::string>& extra,
                     int flags = 0) {
        std::vector<std::string> arguments = {"-q", "-i",          input,
                                              "-o", folder.Path(), "--filename-mask=out.%ext%"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        RunOptions options;
        options.workFolder = folder.Path();
        RunResult result = RunProgram(arguments, options);
        EXPECT_EQ(result.exitStatus, 0) << result.out;
        std::string path = folder / "out.tiff";
        return {LoadWrittenTiff(path, flags), ProfileOf(path)};
    }
    TempFolder folder;
};

TEST_F(Color, EveryLoadModeSaysWhatItsValuesAre) {
    std::string camera = SamplePath("canon_eos_d30.crw");
    if (SamplesFolder().empty())
        MakeSampleDng(camera = folder / "camera.dng");
    Picture greyPicture = MakePicture(32, 32, [](int x, int) { return Rgb{x * 8, x * 8, x * 8}; });
    Picture greyJpeg(FreeImage_ConvertToGreyscale(greyPicture.get()));
    WriteFile(folder / "grey.cr2", EncodeJpeg(greyJpeg.get()));
    WriteFile(folder / "bits.raw", std::string(64 * 64 * 2, '\x40'));

    struct Case {
        std::string input;
        std::vector<std::string> arguments;
        std::string description; // "" for no profile
        bool looksLikeDisplayDecode;
    };
    const Case cases[] = {
        {camera, {"--raw-load-as=24"}, "sRGB primaries, BT.709 curve", true},
        {camera, {"--raw-load-as=48", "--raw-tone-mapping=none"}, "sRGB primaries, linear", true},
        {camera, {"--raw-load-as=48hs", "--raw-tone-mapping=none"}, "sRGB primaries, linear", true},
        {camera, {"--raw-load-as=48", "--raw-tone-mapping=linear"}, "sRGB primaries, linear", true},
        {camera,
         {"--raw-load-as=48", "--raw-tone-mapping=none", "--tiff-bpp=96"},
         "sRGB primaries, linear",
         true},
        {camera, {"--raw-load-as=48"}, "sRGB IEC 61966-2-1", false}, // tone-mapped for display
        {camera, {"--raw-load-as=auto"}, "sRGB IEC 61966-2-1", false},
        {camera, {"--raw-load-as=24", "--tiff-bpp=8"}, "sRGB primaries, BT.709 curve", true},
        {camera, {"--raw-load-as=24", "--tiff-bpp=1"}, "", false},
        {folder / "grey.cr2", {}, "Grey, sRGB curve", false},
        {folder / "bits.raw", {}, "", false},
    };
    Output display = Converted(camera, {"--raw-load-as=24"});
    ASSERT_TRUE(display.picture);
    Rgb reference = MeanOf(Rendered(display.picture.get(), display.icc)->get());
    for (const Case& c : cases) {
        std::string shown = c.input + " " + (c.arguments.empty() ? "" : c.arguments.back());
        Output out = Converted(c.input, c.arguments);
        ASSERT_TRUE(out.picture) << shown;
        EXPECT_EQ(IccDescription(out.icc), c.description) << shown;
        if (c.description.empty())
            continue;
        std::optional<Picture> rendered = Rendered(out.picture.get(), out.icc);
        ASSERT_TRUE(rendered) << shown << ": lcms2 cannot open the profile";
        if (!c.looksLikeDisplayDecode)
            continue;
        Rgb mean = MeanOf(rendered->get());
        EXPECT_NEAR(mean.r, reference.r, reference.r * 0.03 + 1) << shown;
        EXPECT_NEAR(mean.g, reference.g, reference.g * 0.03 + 1) << shown;
        EXPECT_NEAR(mean.b, reference.b, reference.b * 0.03 + 1) << shown;
    }
}

// A JPEG's own profile comes first; without one, its EXIF says what the values are.
TEST_F(Color, AJpegKeepsItsOwnProfileOrWhatItsExifDeclares) {
    const std::string& adobe = IccProfileFor({ColorEncoding::AdobeRgb, {}}, ProfileLayout::Rgb);
    Picture picture = MakePicture(32, 24, [](int x, int y) { return Rgb{x * 8, y * 10, 90}; });
    WriteFile(folder / "phone.cr2", WithIccSegment(EncodeJpeg(picture.get()), adobe));
    EXPECT_EQ(Converted(folder / "phone.cr2", {}).icc, adobe);

    WriteFile(folder / "adobe.cr2", EncodeJpeg(picture.get()));
    auto image = Exiv2::ImageFactory::open(folder / "adobe.cr2");
    Exiv2::ExifData exif;
    exif["Exif.Photo.ColorSpace"] = uint16_t(0xFFFF);
    exif["Exif.Iop.InteroperabilityIndex"] = "R03";
    image->setExifData(exif);
    image->writeMetadata();
    Output out = Converted(folder / "adobe.cr2", {});
    EXPECT_EQ(IccDescription(out.icc), "Adobe RGB (1998) compatible");
    auto written = Exiv2::ImageFactory::open(folder / "out.tiff");
    written->readMetadata();
    EXPECT_EQ(written->exifData()["Exif.Photo.ColorSpace"].toLong(), 0xFFFF);
}

// Patches of white, black, grey and two colours, separated by the formula whatever profiles
// the machine's data folders hold, and by lcms2 into a printer profile named on the command
// line: white takes no ink, black takes black ink, and the inks rendered back through the
// written profile give the picture within two levels. A file that is no CMYK printer profile
// is refused before anything is converted.
TEST_F(Color, CmykSeparationsComeBackAsThePicture) {
    const Rgb patches[] = {
        {255, 255, 255}, {0, 0, 0}, {128, 128, 128}, {200, 60, 40}, {90, 140, 200}};
    Picture picture = MakePicture(80, 16, [&](int x, int) { return patches[x / 16]; });
    WriteFile(folder / "patches.cr2", EncodeJpeg(picture.get()));
    Picture decoded(FreeImage_Load(FIF_JPEG, (folder / "patches.cr2").c_str(), 0));

    // The formula's profile under another name stands for a printer profile; it lies where
    // installed profiles do, in the run's own data folder.
    std::filesystem::create_directories(folder / ".data/icc/press");
    const std::string press = folder / ".data/icc/press/test.icc";
    const std::string& formula = GreyComponentReplacementProfile();
    cmsHPROFILE profile = cmsOpenProfileFromMem(formula.data(), formula.size());
    cmsMLU* name = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(name, "en", "US", "Test press");
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, name);
    cmsSaveProfileToFile(profile, press.c_str());
    cmsMLUfree(name);
    cmsCloseProfile(profile);
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsSaveProfileToFile(srgb, (folder / "srgb.icc").c_str());
    cmsCloseProfile(srgb);

    struct Case {
        bool profileInDataFolder;
        std::vector<std::string> arguments;
        std::string description;
    };
    const std::string kFormula = "CMYK, grey-component replacement from sRGB";
    const Case cases[] = {
        {false, {}, kFormula},
        {true, {}, kFormula},
        {true, {"--tiff-cmyk-profile=" + press}, "Test press"},
    };
    std::string formulaInks;
    for (const Case& c : cases) {
        if (!c.profileInDataFolder)
            std::filesystem::rename(folder / ".data/icc", folder / ".data/put-aside");
        else if (std::filesystem::exists(folder / ".data/put-aside"))
            std::filesystem::rename(folder / ".data/put-aside", folder / ".data/icc");
        std::vector<std::string> arguments = {"--tiff-bpp=32", "--tiff-color-mode=cmyk"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        Output inks = Converted(folder / "patches.cr2", arguments, TIFF_CMYK);
        ASSERT_TRUE(inks.picture);
        EXPECT_EQ(IccDescription(inks.icc), c.description);
        // What the data folder holds changes no ink and not the profile.
        std::string inkBytes(reinterpret_cast<const char*>(FreeImage_GetBits(inks.picture.get())),
                             FreeImage_GetPitch(inks.picture.get()) * 16);
        if (c.arguments.empty() && formulaInks.empty()) {
            formulaInks = inkBytes + inks.icc;
        } else if (c.arguments.empty()) {
            EXPECT_TRUE(inkBytes + inks.icc == formulaInks);
        }
        const BYTE* row = FreeImage_GetScanLine(inks.picture.get(), 8);
        EXPECT_EQ(std::vector<int>(row + 8 * 4, row + 8 * 4 + 4), (std::vector<int>{0, 0, 0, 0}));
        EXPECT_LE(row[24 * 4 + 0] + row[24 * 4 + 1] + row[24 * 4 + 2], 3) << "black is black ink";
        EXPECT_GE(row[24 * 4 + 3], 252);
        Picture back = std::move(*Rendered(inks.picture.get(), inks.icc));
        for (int patch = 0; patch < 5; ++patch)
            EXPECT_TRUE(Near(PixelAt(back.get(), patch * 16 + 8, 8),
                             PixelAt(decoded.get(), patch * 16 + 8, 8), 2))
                << c.description << " patch " << patch << ": "
                << PixelAt(back.get(), patch * 16 + 8, 8);
    }

    std::filesystem::remove(folder / "out.tiff");
    for (const std::string bad : {"srgb.icc", "patches.cr2", "missing.icc"}) {
        RunOptions options;
        options.workFolder = folder.Path();
        RunResult result =
            RunProgram({"-i", folder / "patches.cr2", "-o", folder.Path(), "--tiff-bpp=32",
                        "--tiff-color-mode=cmyk", "--filename-mask=out.%ext%",
                        "--tiff-cmyk-profile=" + (folder / bad)},
                       options);
        EXPECT_EQ(result.exitStatus, 1) << bad;
        EXPECT_NE(result.out.find("Error: Invalid CMYK profile"), std::string::npos) << result.out;
        EXPECT_FALSE(std::filesystem::exists(folder / "out.tiff")) << bad;
    }
}

} // namespace
} // namespace velmora::testing
