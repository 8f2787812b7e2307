#include "engine/pipeline.h"

#include "engine/batch_driver.h"
#include "engine/format_registry.h"
#include "settings/keywords.h"
#include "settings/settings.h"
#include "support/pictures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <functional>
#include <ostream>
#include <set>
#include <string>

namespace velmora {
namespace {

using testing::ExifFields;
using testing::FileExists;
using testing::LoadWrittenTiff;
using testing::MakePicture;
using testing::Near;
using testing::NoiseBytes;
using testing::PixelAt;
using testing::ReadFile;
using testing::Rgb;
using testing::TempFolder;
using testing::WriteFile;

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};
const Rgb kBlack{0, 0, 0}, kGrey{128, 128, 128}, kYellow{255, 255, 0}, kCyan{0, 255, 255};

// 4 x 2: red, green, blue, white over black, grey, yellow, cyan.
Rgb SwatchAt(int x, int y) {
    static const Rgb top[] = {kRed, kGreen, kBlue, kWhite};
    static const Rgb bottom[] = {kBlack, kGrey, kYellow, kCyan};
    return y == 0 ? top[x] : bottom[x];
}

Picture Swatches() {
    return MakePicture(4, 2, SwatchAt);
}

// 32 x 16, an 8 x 8 red block in the top-left corner on blue: its place shows any turn.
Rgb CornerAt(int x, int y) {
    return x < 8 && y < 8 ? kRed : kBlue;
}

std::set<std::string> FolderEntries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string CornerJpeg(const ExifFields* exif, unsigned dotsPerMeter = 2835) {
    Picture picture = MakePicture(32, 16, CornerAt);
    FreeImage_SetDotsPerMeterX(picture.get(), dotsPerMeter);
    FreeImage_SetDotsPerMeterY(picture.get(), dotsPerMeter);
    return testing::EncodeJpeg(picture.get(), exif);
}

class Pipeline : public ::testing::Test {
protected:
    void SetUp() override {
        SettingsDefaults(true);
        InitConversionJob();
        SilenceLibraryMessages();
        gJob.ConversionType = "tiff";
        plan_ = RunPlan{.face = RunFace::Console,
                        .inputGroup = "raw",
                        .outputFolder = folder_.Path(),
                        .conversionType = "tiff",
                        .outputFif = FIF_TIFF,
                        .saveFlags = SaveFlagsFor("tiff", gSettings)};
        gProgress.Running = 1;
    }
    // Converts input as the worker would, into the plan's folder.
    FileResult Convert(const std::string& input, const std::string& relativeSubfolder = {}) {
        return ConvertOneFile({.inputFile = input,
                               .relativeSubfolder = relativeSubfolder,
                               .plan = plan_,
                               .randomNumber = gJob.RandomNumber,
                               .fileCounter = gJob.FileCounter},
                              gSettings);
    }
    TempFolder folder_;
    RunPlan plan_;
};

TEST(AutoDepth, SmallestAllowedDepthNotBelowTheSource) {
    struct Case {
        const char* format;
        int source;
        int expected;
    };
    const Case cases[] = {
        {"tiff", 1, 1},   {"tiff", 4, 4},    {"tiff", 8, 8},   {"tiff", 16, 24}, {"tiff", 24, 24},
        {"tiff", 32, 32}, {"tiff", 48, 48},  {"tiff", 64, 96}, {"tiff", 96, 96}, {"tiff", 128, 96},
        {"gif", 1, 8},    {"gif", 32, 8},    {"jpg", 1, 8},    {"jpg", 16, 24},  {"jpg", 48, 24},
        {"png", 16, 24},  {"png", 64, 48},   {"bmp", 16, 16},  {"tga", 1, 8},    {"exr", 8, 96},
        {"ppm", 32, 48},  {"nosuch", 24, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AutoDepth(c.format, c.source), c.expected) << c.format << " " << c.source;
}

TEST_F(Pipeline, EachLoadModeHasItsDecoderMode) {
    const std::pair<RawLoadAs, RawMode> cases[] = {
        {RawLoadAs::Auto, RawMode::Preview},           {RawLoadAs::Bits8, RawMode::Linear},
        {RawLoadAs::Bits16, RawMode::Linear},          {RawLoadAs::Rgb24, RawMode::Display},
        {RawLoadAs::Rgb48HalfSize, RawMode::HalfSize}, {RawLoadAs::Rgb48, RawMode::Linear},
        {ChoiceOf<RawLoadAs>(9), RawMode::Linear},
    };
    for (const auto& [loadAs, mode] : cases)
        EXPECT_EQ(CameraRawModeFor(loadAs), mode) << ValueOf(loadAs);
}

TEST_F(Pipeline, SaveFlagsFollowEachFormatsOptions) {
    struct Case {
        const char* format;
        void (*set)(Settings&);
        int expected;
    };
    const Case cases[] = {
        {"bmp", [](Settings& s) { s.BmpCompression = 0; }, 0},
        {"bmp", [](Settings& s) { s.BmpCompression = 1; }, 1},
        {"exr", [](Settings& s) { s.ExrCompression = 0; }, 0x02},
        {"exr", [](Settings& s) { s.ExrCompression = 1; }, 0x04},
        {"exr", [](Settings& s) { s.ExrCompression = 2; }, 0x08},
        {"exr", [](Settings& s) { s.ExrCompression = 3; }, 0x10},
        {"exr", [](Settings& s) { s.ExrCompression = 4; }, 0x20},
        {"jpg", [](Settings&) {}, 95 | 0x10000},
        {"jpg", [](Settings& s) { s.JpgQuality = 50; }, 50 | 0x10000},
        {"jpg", [](Settings& s) { s.JpgChroma = 1; }, 95 | 0x8000},
        {"jpg", [](Settings& s) { s.JpgChroma = 2; }, 95 | 0x4000},
        {"jpg", [](Settings& s) { s.JpgChroma = 3; }, 95 | 0x1000},
        {"jpg", [](Settings& s) { s.JpgSaveAs = 1; }, 95 | 0x10000 | 0x40000},
        {"jpg", [](Settings& s) { s.JpgSaveAs = 2; }, 95 | 0x10000 | 0x20000},
        {"jpg", [](Settings& s) { s.JpgSaveAs = 3; }, 95 | 0x10000 | 0x2000},
        {"jpg",
         [](Settings& s) {
             s.JpgQuality = 80;
             s.JpgChroma = 2;
             s.JpgSaveAs = 3;
         },
         80 | 0x4000 | 0x2000},
        {"jxr", [](Settings&) {}, 100},
        {"png", [](Settings& s) { s.PngCompression = 0; }, 0x100},
        {"png", [](Settings& s) { s.PngCompression = 1; }, 1},
        {"png", [](Settings& s) { s.PngCompression = 2; }, 6},
        {"png", [](Settings& s) { s.PngCompression = 3; }, 9},
        {"png", [](Settings& s) { s.PngInterlaced = 1; }, 0x100 | 0x200},
        {"png",
         [](Settings& s) {
             s.PngCompression = 3;
             s.PngInterlaced = 1;
         },
         9 | 0x200},
        {"tga", [](Settings& s) { s.TgaCompression = 0; }, 0},
        {"tga", [](Settings& s) { s.TgaCompression = 1; }, 2},
        {"tiff", [](Settings& s) { s.TiffCompression = 0; }, 0x800},
        {"tiff", [](Settings& s) { s.TiffCompression = 1; }, 0x1000},
        {"tiff", [](Settings& s) { s.TiffCompression = 2; }, 0x2000},
        {"tiff", [](Settings& s) { s.TiffCompression = 3; }, 0x100},
        {"tiff", [](Settings& s) { s.TiffCompression = 4; }, 0x200},
        {"tiff", [](Settings& s) { s.TiffCompression = 5; }, 0x400},
        {"tiff", [](Settings& s) { s.TiffCompression = 6; }, 0x4000},
        {"tiff", [](Settings& s) { s.TiffCompression = 7; }, 0x8000},
        {"tiff", [](Settings& s) { s.TiffCompression = 8; }, 0x10000},
        {"tiff", [](Settings& s) { s.TiffColorMode = ValueOf(ColorMode::Cmyk); }, 0x800 | 0x1},
        {"tiff",
         [](Settings& s) {
             s.TiffCompression = 6;
             s.TiffColorMode = ValueOf(ColorMode::Cmyk);
         },
         0x4000 | 0x1},
        {"tiff", [](Settings& s) { s.TiffColorMode = ValueOf(ColorMode::Lab); }, 0x800},
        {"webp", [](Settings&) {}, 0x100},
        {"webp", [](Settings& s) { s.WebpQuality = 75; }, 75},
        {"webp", [](Settings& s) { s.WebpQuality = 1; }, 1},
        {"gif", [](Settings&) {}, 0},
        {"ico", [](Settings&) {}, 0},
        {"j2k", [](Settings&) {}, 0},
        {"pbm", [](Settings&) {}, 0},
        {"xpm", [](Settings&) {}, 0},
        {"nosuch", [](Settings& s) { s.TiffCompression = 6; }, 0},
    };
    int index = 0;
    for (const Case& c : cases) {
        SettingsDefaults(true);
        c.set(gSettings);
        EXPECT_EQ(SaveFlagsFor(c.format, gSettings), c.expected)
            << "case " << index << " (" << c.format << ")";
        ++index;
    }
}

double Luma(const Rgb& c) {
    return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
}

TEST_F(Pipeline, ConvertToOutputDepthMakesEachDepth) {
    using Check = std::function<void(FIBITMAP*)>;
    auto sameColours = [](int tolerance) -> Check {
        return [tolerance](FIBITMAP* out) {
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 4; ++x)
                    EXPECT_TRUE(Near(PixelAt(out, x, y), SwatchAt(x, y), tolerance))
                        << x << "," << y << ": " << PixelAt(out, x, y);
        };
    };
    auto greyLevels = [](FIBITMAP* out) {
        EXPECT_EQ(FreeImage_GetColorType(out), FIC_MINISBLACK);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) {
                Rgb pixel = PixelAt(out, x, y);
                EXPECT_EQ(pixel.r, pixel.g);
                EXPECT_EQ(pixel.g, pixel.b);
                EXPECT_NEAR(pixel.r, Luma(SwatchAt(x, y)), 2.0) << x << "," << y;
            }
    };
    // The 16-bit words of the top row's red, green, blue and white pixels; pure red is
    // the red mask itself.
    auto words = [](unsigned red, unsigned green, unsigned blue, unsigned white) -> Check {
        return [=](FIBITMAP* out) {
            EXPECT_EQ(FreeImage_GetRedMask(out), red);
            EXPECT_EQ(FreeImage_GetGreenMask(out), green);
            auto word = [out](int x) {
                return reinterpret_cast<const WORD*>(
                    FreeImage_GetScanLine(out, FreeImage_GetHeight(out) - 1))[x];
            };
            EXPECT_EQ(word(0), red);
            EXPECT_EQ(word(1), green);
            EXPECT_EQ(word(2), blue);
            EXPECT_EQ(word(3), white);
        };
    };
    struct Case {
        const char* label;
        const char* format;
        int depth;
        int sourceDepth; // 24, 32 or 48
        FREE_IMAGE_TYPE type;
        int bpp;
        Check check;
    };
    const Case cases[] = {
        {"96 bits", "tiff", 96, 24, FIT_RGBF, 96,
         [](FIBITMAP* out) {
             FIRGBF red = testing::PixelFAt(out, 0, 0), grey = testing::PixelFAt(out, 1, 1);
             EXPECT_FLOAT_EQ(red.red, 1.0f);
             EXPECT_FLOAT_EQ(red.green, 0.0f);
             EXPECT_NEAR(grey.blue, 128.0 / 255.0, 1e-4);
         }},
        {"48 bits", "tiff", 48, 24, FIT_RGB16, 48,
         [](FIBITMAP* out) {
             FIRGB16 red = testing::Pixel16At(out, 0, 0), grey = testing::Pixel16At(out, 1, 1);
             // The 8-bit value becomes the high byte of the 16-bit one.
             EXPECT_EQ(red.red >> 8, 255);
             EXPECT_EQ(red.blue, 0);
             EXPECT_EQ(grey.green >> 8, 128);
         }},
        {"32 bits", "tiff", 32, 24, FIT_BITMAP, 32, sameColours(0)},
        {"24 bits from 32", "tiff", 24, 32, FIT_BITMAP, 24, sameColours(0)},
        {"24 bits from 48", "tiff", 24, 48, FIT_BITMAP, 24, sameColours(0)},
        {"8 bits for tiff is a palette", "tiff", 8, 24, FIT_BITMAP, 8,
         [&](FIBITMAP* out) {
             EXPECT_EQ(FreeImage_GetColorType(out), FIC_PALETTE);
             EXPECT_LE(FreeImage_GetColorsUsed(out), 256u);
             sameColours(2)(out);
         }},
        {"8 bits for png from 32", "png", 8, 32, FIT_BITMAP, 8,
         [&](FIBITMAP* out) {
             EXPECT_EQ(FreeImage_GetColorType(out), FIC_PALETTE);
             sameColours(2)(out);
         }},
        {"8 bits for jpg is grey", "jpg", 8, 24, FIT_BITMAP, 8, greyLevels},
        {"8 bits for j2k is grey", "j2k", 8, 24, FIT_BITMAP, 8, greyLevels},
        {"8 bits for jp2 is grey", "jp2", 8, 24, FIT_BITMAP, 8, greyLevels},
        {"8 bits for jxr is grey", "jxr", 8, 24, FIT_BITMAP, 8, greyLevels},
        {"16 bits for tga are 555", "tga", 16, 24, FIT_BITMAP, 16,
         words(0x7C00, 0x03E0, 0x001F, 0x7FFF)},
        {"16 bits for ico are 555", "ico", 16, 24, FIT_BITMAP, 16,
         words(0x7C00, 0x03E0, 0x001F, 0x7FFF)},
        {"16 bits for bmp are 565", "bmp", 16, 24, FIT_BITMAP, 16,
         words(0xF800, 0x07E0, 0x001F, 0xFFFF)},
        {"16 bits for jxr are 565", "jxr", 16, 32, FIT_BITMAP, 16,
         words(0xF800, 0x07E0, 0x001F, 0xFFFF)},
        {"16 bits from 48 go through 24", "bmp", 16, 48, FIT_BITMAP, 16,
         words(0xF800, 0x07E0, 0x001F, 0xFFFF)},
        {"4 bits", "tiff", 4, 24, FIT_BITMAP, 4,
         [](FIBITMAP* out) {
             EXPECT_EQ(PixelAt(out, 0, 1), kBlack);
             EXPECT_EQ(PixelAt(out, 3, 0), kWhite);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        gJob.ConversionType = c.format;
        Picture source = Swatches();
        if (c.sourceDepth == 32)
            source.reset(FreeImage_ConvertTo32Bits(source.get()));
        else if (c.sourceDepth == 48)
            source.reset(FreeImage_ConvertToRGB16(source.get()));
        ASSERT_TRUE(source);
        Picture out = ConvertToOutputDepth(std::move(source), c.depth, gJob.ConversionType);
        ASSERT_TRUE(out);
        EXPECT_EQ(FreeImage_GetImageType(out.get()), c.type);
        EXPECT_EQ(FreeImage_GetBPP(out.get()), static_cast<unsigned>(c.bpp));
        EXPECT_EQ(FreeImage_GetWidth(out.get()), 4u);
        EXPECT_EQ(FreeImage_GetHeight(out.get()), 2u);
        c.check(out.get());
    }
}

TEST_F(Pipeline, OneBitIsDithered) {
    Picture out =
        ConvertToOutputDepth(MakePicture(8, 4, [](int x, int) { return x < 4 ? kBlack : kWhite; }),
                             1, gJob.ConversionType);
    ASSERT_TRUE(out);
    EXPECT_EQ(FreeImage_GetBPP(out.get()), 1u);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(PixelAt(out.get(), x, y), x < 4 ? kBlack : kWhite) << x << "," << y;
}

// Automatic depth follows the depth measured at load time, not the picture's depth now.
TEST_F(Pipeline, AutomaticDepthFollowsTheSourceDepth) {
    struct Case {
        int sourceBpp;
        int expectedBpp;
        FREE_IMAGE_TYPE type;
    };
    const Case cases[] = {
        {48, 48, FIT_RGB16}, {24, 24, FIT_BITMAP}, {16, 24, FIT_BITMAP}, {32, 32, FIT_BITMAP},
        {8, 8, FIT_BITMAP},  {64, 96, FIT_RGBF},   {1, 1, FIT_BITMAP},
    };
    for (const Case& c : cases) {
        int32_t depth = OutputDepthFor(gJob.ConversionType, 0, c.sourceBpp);
        Picture out = ConvertToOutputDepth(Swatches(), depth, gJob.ConversionType);
        ASSERT_TRUE(out) << c.sourceBpp;
        EXPECT_EQ(depth, c.expectedBpp) << c.sourceBpp;
        EXPECT_EQ(FreeImage_GetBPP(out.get()), static_cast<unsigned>(c.expectedBpp)) << c.sourceBpp;
        EXPECT_EQ(FreeImage_GetImageType(out.get()), c.type) << c.sourceBpp;
    }
}

TEST_F(Pipeline, ConvertToOutputDepthKeepsAPictureAlreadyAtDepth) {
    Picture source = Swatches();
    FIBITMAP* before = source.get();
    Picture out = ConvertToOutputDepth(std::move(source), 24, gJob.ConversionType);
    EXPECT_EQ(out.get(), before);
}

TEST_F(Pipeline, ConvertToOutputDepthGivesNothingForAnUnknownDepth) {
    for (int depth : {0, 2, 7, 12, 64, 128}) {
        EXPECT_FALSE(ConvertToOutputDepth(Swatches(), depth, gJob.ConversionType)) << depth;
    }
    EXPECT_FALSE(ConvertToOutputDepth(nullptr, 24, gJob.ConversionType));
}

void SetRational(FIBITMAP* picture, const char* key, WORD id, DWORD numerator, DWORD denominator) {
    DWORD value[2] = {numerator, denominator};
    FITAG* tag = FreeImage_CreateTag();
    FreeImage_SetTagKey(tag, key);
    FreeImage_SetTagID(tag, id);
    FreeImage_SetTagType(tag, FIDT_RATIONAL);
    FreeImage_SetTagCount(tag, 1);
    FreeImage_SetTagLength(tag, sizeof value);
    FreeImage_SetTagValue(tag, value);
    FreeImage_SetMetadata(FIMD_EXIF_MAIN, picture, key, tag);
    FreeImage_DeleteTag(tag);
}

void SetShort(FIBITMAP* picture, const char* key, WORD id, WORD value) {
    FITAG* tag = FreeImage_CreateTag();
    FreeImage_SetTagKey(tag, key);
    FreeImage_SetTagID(tag, id);
    FreeImage_SetTagType(tag, FIDT_SHORT);
    FreeImage_SetTagCount(tag, 1);
    FreeImage_SetTagLength(tag, sizeof value);
    FreeImage_SetTagValue(tag, &value);
    FreeImage_SetMetadata(FIMD_EXIF_MAIN, picture, key, tag);
    FreeImage_DeleteTag(tag);
}

TEST(ReadResolution, TakesTheExifRationalsOverTheBitmapsOwn) {
    struct Case {
        const char* label;
        DWORD x[2]; // numerator 0: no tag
        DWORD y[2];
        WORD unit; // 0: no tag
        bool otherTag;
        int32_t dpmX, dpmY;
    };
    const Case cases[] = {
        {"no exif", {0, 0}, {0, 0}, 0, false, 1000, 2000},
        {"exif without resolution", {0, 0}, {0, 0}, 0, true, 1000, 2000},
        {"300 dots per inch", {300, 1}, {300, 1}, 0, false, 11811, 11811},
        {"3000/10 is 300", {3000, 10}, {3000, 10}, 0, false, 11811, 11811},
        {"different x and y", {300, 1}, {150, 1}, 0, false, 11811, 5906},
        {"72 dots per inch", {72, 1}, {72, 1}, 2, false, 2835, 2835},
        {"explicit inch unit", {300, 1}, {300, 1}, 2, false, 11811, 11811},
        {"centimetre unit", {118, 1}, {59, 1}, 3, false, 11800, 5900},
        {"only x given", {300, 1}, {0, 0}, 0, false, 11811, 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Picture picture = MakePicture(2, 2, SwatchAt);
        FreeImage_SetDotsPerMeterX(picture.get(), 1000);
        FreeImage_SetDotsPerMeterY(picture.get(), 2000);
        if (c.x[0])
            SetRational(picture.get(), "XResolution", 0x011A, c.x[0], c.x[1]);
        if (c.y[0])
            SetRational(picture.get(), "YResolution", 0x011B, c.y[0], c.y[1]);
        if (c.unit)
            SetShort(picture.get(), "ResolutionUnit", 0x0128, c.unit);
        if (c.otherTag)
            SetShort(picture.get(), "Orientation", 0x0112, 1);
        Resolution resolution = ReadResolution(picture.get());
        EXPECT_EQ(resolution.dotsPerMeterX, c.dpmX);
        EXPECT_EQ(resolution.dotsPerMeterY, c.dpmY);
    }
}

TEST_F(Pipeline, AtomicSaveWritesAndReplaces) {
    std::string target = folder_ / "out.tiff";
    WriteFile(target, "an earlier file");
    Picture picture = Swatches();
    ASSERT_TRUE(SavePictureAtomically(picture.get(), FIF_TIFF, target, 0));
    EXPECT_EQ(FolderEntries(folder_.Path()), std::set<std::string>{"out.tiff"});
    Picture back = LoadWrittenTiff(target);
    ASSERT_TRUE(back);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(back.get(), x, y), SwatchAt(x, y)) << x << "," << y;
}

TEST_F(Pipeline, FailedSaveLeavesTheEarlierFileAndNoTemporaryFile) {
    struct Case {
        const char* label;
        int fif;
        int pictureDepth;   // 0: no picture
        const char* target; // below the test folder
    };
    const Case cases[] = {
        {"jpeg refuses 48 bits", FIF_JPEG, 48, "out.jpg"},
        {"gif refuses 48 bits", FIF_GIF, 48, "out.gif"},
        {"no picture", FIF_TIFF, 0, "out.tiff"},
        {"missing folder", FIF_TIFF, 24, "nosuch/out.tiff"},
    };
    const std::string earlier = "an earlier file, byte for byte\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempFolder folder;
        std::string target = folder / c.target;
        bool folderExists =
            std::filesystem::is_directory(std::filesystem::path(target).parent_path());
        if (folderExists)
            WriteFile(target, earlier);
        std::set<std::string> before = FolderEntries(folder.Path());
        Picture picture;
        if (c.pictureDepth) {
            picture = Swatches();
            if (c.pictureDepth == 48)
                picture.reset(FreeImage_ConvertToRGB16(picture.get()));
        }
        EXPECT_FALSE(SavePictureAtomically(picture.get(), c.fif, target, 0));
        EXPECT_EQ(FolderEntries(folder.Path()), before);
        if (folderExists) {
            EXPECT_EQ(ReadFile(target), earlier);
        }
    }
}

struct LoadCase {
    const char* label;
    const char* name;
    std::function<std::string()> bytes;
    std::function<void()> tweak; // may be empty
    int bpp;                     // 0: no picture
    int width, height;
};

TEST_F(Pipeline, LoadInputPictureTriesEachLoaderInTurn) {
    ExifFields plain, turned6, turned8, turned3;
    plain.make = "Velmora Test";
    turned6.orientation = 6;
    turned8.orientation = 8;
    turned3.orientation = 3;
    const LoadCase cases[] = {
        {"jpeg named cr2", "a.cr2", [&] { return CornerJpeg(&plain); }, {}, 24, 32, 16},
        {"jpeg without exif named nef",
         "a.nef",
         [] { return CornerJpeg(nullptr); },
         {},
         24,
         32,
         16},
        {"orientation 6", "a.cr2", [&] { return CornerJpeg(&turned6); }, {}, 24, 16, 32},
        {"orientation 8", "a.cr2", [&] { return CornerJpeg(&turned8); }, {}, 24, 16, 32},
        {"orientation 3", "a.cr2", [&] { return CornerJpeg(&turned3); }, {}, 24, 32, 16},
        {"noise named nef", "a.nef", [] { return NoiseBytes(8192, 1); }, {}, 0, 0, 0},
        {"noise named upper-case NEF", "a.NEF", [] { return NoiseBytes(8192, 1); }, {}, 0, 0, 0},
        {"noise named cr2", "a.cr2", [] { return NoiseBytes(20000, 2); }, {}, 0, 0, 0},
        {"noise named raw", "a.raw", [] { return NoiseBytes(8192, 3); }, {}, 16, 64, 64},
        {"noise named RAW1", "a.RAW1", [] { return NoiseBytes(8192, 3); }, {}, 16, 64, 64},
        {"noise named raw2", "a.raw2", [] { return NoiseBytes(8192, 3); }, {}, 16, 64, 64},
        {"noise with both sizes given", "a.nef", [] { return NoiseBytes(8192, 4); },
         [] {
             gSettings.RawImageWidth = 32;
             gSettings.RawImageHeight = 64;
         },
         16, 32, 64},
        {"noise with only a width given", "a.nef", [] { return NoiseBytes(8192, 4); },
         [] { gSettings.RawImageWidth = 64; }, 0, 0, 0},
        {"noise as 8-bit bits", "a.nef", [] { return NoiseBytes(8100, 5); },
         [] { gSettings.RawLoadAs = ValueOf(RawLoadAs::Bits8); }, 8, 90, 90},
        {"noise as 16-bit bits", "a.nef", [] { return NoiseBytes(8192, 5); },
         [] { gSettings.RawLoadAs = ValueOf(RawLoadAs::Bits16); }, 16, 64, 64},
        {"bits asked for come before a decodable jpeg", "a.cr2",
         [&] {
             std::string jpeg = CornerJpeg(&plain);
             jpeg.resize(1600, '\0'); // bytes after the end marker keep it decodable
             return jpeg;
         },
         [] { gSettings.RawLoadAs = ValueOf(RawLoadAs::Bits8); }, 8, 40, 40},
        {"empty file", "a.raw", [] { return std::string(); }, {}, 0, 0, 0},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.label);
        SettingsDefaults(true);
        if (c.tweak)
            c.tweak();
        std::string path = folder_ / c.name;
        std::string bytes = c.bytes();
        WriteFile(path, bytes);
        Picture picture = LoadInputPicture(path, LoadRequestFrom(gSettings));
        EXPECT_EQ(PictureBpp(picture), c.bpp);
        EXPECT_EQ(PictureWidth(picture), c.width);
        EXPECT_EQ(PictureHeight(picture), c.height);
        if (picture && c.bpp == 16) {
            // Headerless bits: the top row starts with the file's first two bytes.
            auto top = reinterpret_cast<const WORD*>(
                FreeImage_GetScanLine(picture.get(), FreeImage_GetHeight(picture.get()) - 1));
            EXPECT_EQ(top[0], static_cast<WORD>(static_cast<unsigned char>(bytes[0]) |
                                                static_cast<unsigned char>(bytes[1]) << 8));
        }
        std::filesystem::remove(path);
    }
}

// Where the red top-left block of the upright picture lands once the EXIF turn is applied.
TEST_F(Pipeline, ExifOrientationTurnsTheJpegDecode) {
    struct Case {
        int orientation;
        int redX, redY;   // a pixel inside the block after the turn
        int blueX, blueY; // a pixel that was inside the block before it
    };
    // 32 x 16 before the turn; 16 x 32 after a quarter turn.
    const Case cases[] = {
        {1, 2, 2, 29, 13},
        {6, 13, 2, 2, 2},  // quarter turn clockwise: the block goes to the top right
        {8, 2, 29, 2, 2},  // quarter turn anticlockwise: to the bottom left
        {3, 29, 13, 2, 2}, // half turn: to the bottom right
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        ExifFields exif;
        exif.orientation = c.orientation;
        std::string path = folder_ / "turned.cr2";
        WriteFile(path, CornerJpeg(&exif));
        Picture picture = LoadInputPicture(path, LoadRequestFrom(gSettings));
        ASSERT_TRUE(picture);
        EXPECT_TRUE(Near(PixelAt(picture.get(), c.redX, c.redY), kRed, 24))
            << PixelAt(picture.get(), c.redX, c.redY);
        EXPECT_TRUE(Near(PixelAt(picture.get(), c.blueX, c.blueY), kBlue, 24))
            << PixelAt(picture.get(), c.blueX, c.blueY);
    }
}

TEST_F(Pipeline, LoadedJpegCarriesItsExifTags) {
    ExifFields exif;
    exif.make = "Velmora Test";
    std::string path = folder_ / "tagged.cr2";
    WriteFile(path, CornerJpeg(&exif));
    Picture picture = LoadInputPicture(path, LoadRequestFrom(gSettings));
    ASSERT_TRUE(picture);
    FITAG* make = nullptr;
    ASSERT_TRUE(FreeImage_GetMetadata(FIMD_EXIF_MAIN, picture.get(), "Make", &make));
    EXPECT_STREQ(static_cast<const char*>(FreeImage_GetTagValue(make)), "Velmora Test");
}

class ConvertOneFileTest : public Pipeline {
protected:
    // Points the job at name in the test folder, as the batch driver would.
    void Prepare(const std::string& name, const std::string& bytes) {
        input_ = folder_ / name;
        WriteFile(input_, bytes);
        plan_.requestedBpp = gSettings.TiffBpp;
        plan_.saveFlags = SaveFlagsFor("tiff", gSettings);
    }
    std::string input_;
};

TEST_F(ConvertOneFileTest, WritesATiffAtTheRequestedDepthAndResolution) {
    struct Case {
        const char* label;
        int tiffBpp;
        ExifFields exif;
        bool withExif;
        int bpp;
        FREE_IMAGE_TYPE type;
        bool palette;
        int width, height;
        unsigned dpmX, dpmY;
    };
    ExifFields at300;
    at300.xResolution[0] = 300;
    at300.xResolution[1] = 1;
    at300.yResolution[0] = 3000;
    at300.yResolution[1] = 10;
    // TIFF keeps whole dots per inch: 100 and 50 per centimetre are 254 and 127 per inch.
    ExifFields inCentimetres = at300;
    inCentimetres.xResolution[0] = 100;
    inCentimetres.yResolution[0] = 500;
    inCentimetres.resolutionUnit = 3;
    ExifFields turned = at300;
    turned.orientation = 6;
    const Case cases[] = {
        {"automatic depth", 0, at300, true, 24, FIT_BITMAP, false, 32, 16, 11811, 11811},
        {"no exif keeps the decode's resolution",
         0,
         {},
         false,
         24,
         FIT_BITMAP,
         false,
         32,
         16,
         2835,
         2835},
        {"centimetre unit", 0, inCentimetres, true, 24, FIT_BITMAP, false, 32, 16, 10000, 5000},
        {"palette of 8 bits", 8, at300, true, 8, FIT_BITMAP, true, 32, 16, 11811, 11811},
        {"32 bits", 32, at300, true, 32, FIT_BITMAP, false, 32, 16, 11811, 11811},
        {"48 bits", 48, at300, true, 48, FIT_RGB16, false, 32, 16, 11811, 11811},
        {"turned by its orientation", 0, turned, true, 24, FIT_BITMAP, false, 16, 32, 11811, 11811},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SettingsDefaults(true);
        gSettings.TiffBpp = c.tiffBpp;
        Prepare("photo.cr2", CornerJpeg(c.withExif ? &c.exif : nullptr));
        FileResult result = Convert(input_);
        ASSERT_TRUE(result);
        EXPECT_EQ(result.outputFile, folder_ / "photo.tiff");
        Picture back = LoadWrittenTiff(result.outputFile);
        ASSERT_TRUE(back);
        EXPECT_EQ(FreeImage_GetBPP(back.get()), static_cast<unsigned>(c.bpp));
        EXPECT_EQ(FreeImage_GetImageType(back.get()), c.type);
        EXPECT_EQ(FreeImage_GetColorType(back.get()) == FIC_PALETTE, c.palette);
        EXPECT_EQ(PictureWidth(back), c.width);
        EXPECT_EQ(PictureHeight(back), c.height);
        EXPECT_EQ(FreeImage_GetDotsPerMeterX(back.get()), c.dpmX);
        EXPECT_EQ(FreeImage_GetDotsPerMeterY(back.get()), c.dpmY);
        if (c.type == FIT_BITMAP) {
            // The red block sits top left, or top right after the quarter turn.
            int redX = c.width == 32 ? 2 : 13;
            EXPECT_TRUE(Near(PixelAt(back.get(), redX, 2), kRed, 24))
                << PixelAt(back.get(), redX, 2);
            EXPECT_TRUE(Near(PixelAt(back.get(), c.width - 3, c.height - 3), kBlue, 24));
        }
        std::filesystem::remove(result.outputFile);
    }
}

TEST_F(ConvertOneFileTest, NamesTheOutputFromTheSizeFrameAndDepth) {
    gSettings.FilenameMask = "%width%x%height%-%frame%-%bpp%";
    Prepare("photo.cr2", CornerJpeg(nullptr));
    FileResult result = Convert(input_);
    ASSERT_TRUE(result);
    EXPECT_EQ(result.outputFile, folder_ / "32x16-1-24");
    EXPECT_TRUE(FileExists(folder_ / "32x16-1-24"));
}

TEST_F(ConvertOneFileTest, OverwritesAnEarlierOutput) {
    Prepare("photo.cr2", CornerJpeg(nullptr));
    WriteFile(folder_ / "photo.tiff", "an earlier output");
    ASSERT_TRUE(Convert(input_));
    Picture back = LoadWrittenTiff(folder_ / "photo.tiff");
    ASSERT_TRUE(back);
    EXPECT_EQ(PictureWidth(back), 32);
    EXPECT_EQ(FolderEntries(folder_.Path()), (std::set<std::string>{"photo.cr2", "photo.tiff"}));
}

TEST_F(ConvertOneFileTest, OutputNamingTheInputFailsWithoutTouchingIt) {
    struct Case {
        const char* inputName;
        const char* mask;
    };
    const Case cases[] = {
        {"same.tiff", "%filename%.%ext%"},
        {"same.nef", "%filename%.nef"},
        {"SAME.tiff", "%filename[u]%.%ext%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inputName);
        TempFolder folder;
        plan_.outputFolder = folder.Path();
        gSettings.FilenameMask = c.mask;
        std::string bytes = CornerJpeg(nullptr);
        std::string input = folder / c.inputName;
        WriteFile(input, bytes);
        FileResult result = Convert(input);
        EXPECT_FALSE(result);
        EXPECT_EQ(result.outputFile, input);
        EXPECT_EQ(ReadFile(input), bytes);
        EXPECT_EQ(FolderEntries(folder.Path()), std::set<std::string>{c.inputName});
    }
}

TEST_F(ConvertOneFileTest, NothingLoadableWritesNothing) {
    Prepare("broken.nef", NoiseBytes(8192, 9));
    EXPECT_FALSE(Convert(input_));
    EXPECT_EQ(FolderEntries(folder_.Path()), std::set<std::string>{"broken.nef"});
}

TEST_F(ConvertOneFileTest, MissingSubfolderFailsCleanly) {
    gSettings.KeepSubfolders = 1;
    Prepare("photo.cr2", CornerJpeg(nullptr));
    FileResult result = Convert(input_, "2021/trip/");
    EXPECT_FALSE(result);
    EXPECT_EQ(result.outputFile, folder_ / "2021/trip/photo.tiff");
    EXPECT_EQ(FolderEntries(folder_.Path()), std::set<std::string>{"photo.cr2"});
}

// The source's descriptive EXIF tags belong in the output file.
TEST_F(ConvertOneFileTest, OutputCarriesTheSourcesMake) {
    ExifFields exif;
    exif.make = "Velmora Test";
    Prepare("photo.cr2", CornerJpeg(&exif));
    FileResult result = Convert(input_);
    ASSERT_TRUE(result);
    Picture back = LoadWrittenTiff(result.outputFile);
    ASSERT_TRUE(back);
    FITAG* make = nullptr;
    ASSERT_TRUE(FreeImage_GetMetadata(FIMD_EXIF_MAIN, back.get(), "Make", &make) && make)
        << "the output TIFF has no Make tag";
    EXPECT_STREQ(static_cast<const char*>(FreeImage_GetTagValue(make)), "Velmora Test");
}

// Real camera files in each load mode: AUTO shows the embedded preview (or a 24-bit
// rendering when there is none), 24 the full 24-bit decode, 48HS and 48 16 bits a channel.
struct SampleFile {
    const char* name;
    int fullWidth, fullHeight;
    int previewWidth, previewHeight;
};
const SampleFile kSampleFiles[] = {
    {"canon_powershot_g2.crw", 2312, 1720, 640, 480},
    {"canon_eos_d30.crw", 2176, 1448, 1440, 960},
    {"kodak_dc50.kdc", 768, 512, 96, 64},
    {"kodak_c330_yrgb.raw", 1216, 912, 1216, 912},
    {"dngconv_canon_eos6d_lossy.dng", 1224, 816, 1024, 683},
    {"dngconv_nikon_d500_lossy.dng", 600, 400, 600, 400},
};

// Names the file in test names instead of dumping its bytes.
void PrintTo(const SampleFile& file, std::ostream* out) {
    *out << file.name;
}

class CameraSample : public ::testing::TestWithParam<std::tuple<SampleFile, RawLoadAs>> {
protected:
    void SetUp() override {
        SettingsDefaults(true);
        InitConversionJob();
        SilenceLibraryMessages();
    }
};

TEST_P(CameraSample, LoadsAtTheModesDepth) {
    VELMORA_REQUIRE_SAMPLES();
    const auto& [file, mode] = GetParam();
    gSettings.RawLoadAs = ValueOf(mode);
    Picture picture = LoadInputPicture(testing::SamplePath(file.name), LoadRequestFrom(gSettings));
    ASSERT_TRUE(picture);
    switch (mode) {
    case RawLoadAs::Auto:
        EXPECT_EQ(PictureBpp(picture), 24);
        EXPECT_EQ(PictureWidth(picture), file.previewWidth);
        EXPECT_EQ(PictureHeight(picture), file.previewHeight);
        break;
    case RawLoadAs::Rgb24:
        EXPECT_EQ(PictureBpp(picture), 24);
        EXPECT_EQ(PictureWidth(picture), file.fullWidth);
        EXPECT_EQ(PictureHeight(picture), file.fullHeight);
        break;
    case RawLoadAs::Rgb48HalfSize:
        // Half size where the decoder can halve, otherwise full size.
        EXPECT_EQ(FreeImage_GetImageType(picture.get()), FIT_RGB16);
        EXPECT_GE(PictureWidth(picture), file.fullWidth / 2);
        EXPECT_LE(PictureWidth(picture), file.fullWidth);
        EXPECT_GE(PictureHeight(picture), file.fullHeight / 2);
        EXPECT_LE(PictureHeight(picture), file.fullHeight);
        break;
    case RawLoadAs::Rgb48:
        EXPECT_EQ(FreeImage_GetImageType(picture.get()), FIT_RGB16);
        EXPECT_EQ(PictureWidth(picture), file.fullWidth);
        EXPECT_EQ(PictureHeight(picture), file.fullHeight);
        break;
    case RawLoadAs::Bits8:
    case RawLoadAs::Bits16:
        break;
    }
    if (mode == RawLoadAs::Rgb48HalfSize || mode == RawLoadAs::Rgb48) {
        EXPECT_EQ(PictureBpp(picture), 48);
    }
}

std::string SampleTestName(const ::testing::TestParamInfo<CameraSample::ParamType>& info) {
    static const char* const kModeNames[] = {"auto", "b8", "b16", "b24", "b48hs", "b48"};
    std::string name = std::get<0>(info.param).name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name + "_" + kModeNames[ValueOf(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(EveryModeOfEveryFile, CameraSample,
                         ::testing::Combine(::testing::ValuesIn(kSampleFiles),
                                            ::testing::Values(RawLoadAs::Auto, RawLoadAs::Rgb24,
                                                              RawLoadAs::Rgb48HalfSize,
                                                              RawLoadAs::Rgb48)),
                         SampleTestName);

// Camera files the decoder cannot open and that are not named as headerless dumps give
// no picture, so they are reported instead of being converted into noise.
TEST_F(ConvertOneFileTest, UnreadableCameraFilesAreNotConverted) {
    VELMORA_REQUIRE_SAMPLES();
    const char* const names[] = {
        "bad/stub_canon_eos350d.cr2",     "bad/stub_sigma_dp2.x3f",    "bad/gopro_hero8_black.gpr",
        "bad/stub_minolta_dimage_a2.mrw", "bad/stub_leaf_credo40.iiq", "bad/stub_canon_eos300d.crw",
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(Convert(testing::SamplePath(name)));
        EXPECT_TRUE(FolderEntries(folder_.Path()).empty());
    }
}

} // namespace
} // namespace velmora
