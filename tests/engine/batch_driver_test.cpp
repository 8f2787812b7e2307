#include "engine/batch_driver.h"

#include "cli/catalogue/catalogue.h"
#include "engine/pipeline.h"
#include "imageops/drawn/watermark_font.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "settings/keywords.h"
#include "settings/settings.h"
#include "support/pictures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace velmora {
namespace {

using testing::FileExists;
using testing::TempFolder;
using testing::WriteFile;
using Lines = std::vector<std::string>;

const char* const kNoInput = "No input file(s) found. Please, add valid file(s) and try again!";

std::string PhotoBytes() {
    testing::ExifFields exif;
    exif.make = "Velmora Test";
    velmora::Picture picture = testing::MakePicture(16, 8, [](int x, int) {
        return x < 8 ? testing::Rgb{255, 0, 0} : testing::Rgb{0, 0, 255};
    });
    return testing::EncodeJpeg(picture.get(), &exif);
}

// Replaces "{in}" by the input folder and "{program}" by the program folder.
std::string Fill(std::string text, const std::string& in, const std::string& program) {
    for (auto [token, value] :
         {std::pair<std::string, std::string>{"{in}", in}, {"{program}", program}})
        for (size_t at; (at = text.find(token)) != std::string::npos;)
            text.replace(at, token.size(), value);
    return text;
}

// Restores the current folder when a test changed it.
class CurrentFolderGuard {
public:
    CurrentFolderGuard() : saved_(std::filesystem::current_path()) {}
    ~CurrentFolderGuard() { std::filesystem::current_path(saved_); }

private:
    std::filesystem::path saved_;
};

class BatchDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        SettingsDefaults(true);
        InitConversionJob();
        gProgress = ConversionProgress{};
        LoadCatalogue();
        SilenceLibraryMessages();
        FreeWatermarkFont();
        gJob.ProgramFolder = program_.Path();
        gJob.CommandLineRun = 1;
        lines_.clear();
        SetConsoleSinkForTesting([this](std::string_view line) { lines_.emplace_back(line); });
    }
    void TearDown() override {
        SetConsoleSinkForTesting({});
        FreeWatermarkFont();
    }

    // A small JPEG under a camera name: the decoder falls back to it.
    std::string Photo(const std::string& name) {
        std::string path = in_ / name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteFile(path, PhotoBytes());
        return path;
    }
    std::string File(const std::string& name, std::string_view bytes) {
        std::string path = in_ / name;
        WriteFile(path, bytes);
        return path;
    }
    BatchOutcome Run(const std::string& input, bool quiet = false) {
        lines_.clear();
        return BatchDriver({.input = input,
                            .outputFolder = gJob.OutputFolder,
                            .conversionType = gJob.ConversionType,
                            .programFolder = gJob.ProgramFolder,
                            .debug = gJob.RunMode == "DEBUG",
                            .quiet = quiet});
    }
    Lines Filled(const Lines& lines) const {
        Lines filled;
        for (const std::string& line : lines)
            filled.push_back(Fill(line, in_.Path(), program_.Path()));
        return filled;
    }
    bool Printed(const std::string& prefix) const {
        for (const std::string& line : lines_)
            if (line.rfind(prefix, 0) == 0)
                return true;
        return false;
    }

    TempFolder program_, in_;
    Lines lines_;
};

struct ValidationCase {
    const char* label;
    // Makes the input in the given folder and gives its path; empty: a text list.
    std::function<std::string(const std::string& in)> input;
    std::function<void()> tweak; // may be empty
    const char* error;           // nullptr: validation passes
};

TEST_F(BatchDriverTest, ChecksInTheirOrderAndStopsAtTheFirstError) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    auto resize = [](int width, int height) {
        return [=] {
            gSettings.DoImageResize = 1;
            gSettings.ImageWidth = width;
            gSettings.ImageHeight = height;
        };
    };
    auto adjust = [](int brightness, int contrast, float gamma) {
        return [=] {
            gSettings.DoImageColorCorrection = 1;
            gSettings.ImageBrightness = brightness;
            gSettings.ImageContrast = contrast;
            gSettings.ImageGamma = gamma;
        };
    };
    auto textWatermark = [](const char* font, int size) {
        return [=] {
            gSettings.DoWatermark = ValueOf(WatermarkKind::Text);
            gSettings.FontName = font;
            gSettings.FontSize = size;
        };
    };
    auto named = [](const char* name, std::string_view bytes) {
        return [=](const std::string& in) {
            WriteFile(in + name, bytes);
            return in + name;
        };
    };
    auto textList = [](const std::string& in) {
        WriteFile(in + "list.txt", "x");
        return in + "list.txt";
    };
    const ValidationCase cases[] = {
        {"defaults", {}, {}, nullptr},
        {"input without extension", named("noext", "x"), {}, "Error: Invalid input file"},
        {"input whose only dot starts it", named(".hidden", "x"), {}, "Error: Invalid input file"},
        {"space after the last dot", named("a. b", "x"), {}, "Error: Invalid input file"},
        {"dot at the end", named("name.", "x"), {}, "Error: Invalid input file"},
        {"zero-byte input", named("empty.cr2", ""), {}, "Error: Invalid input file"},
        {"missing input",
         [](const std::string& in) { return in + "missing.cr2"; },
         {},
         "Error: Invalid input file"},
        {"folder as input",
         [](const std::string& in) {
             std::filesystem::create_directory(in + "folder.cr2");
             return in + "folder.cr2";
         },
         {},
         "Error: Invalid input file"},
        {"output folder starting with two dots",
         {},
         [] { gJob.OutputFolder = "../out"; },
         "Error: Incorrect output folder"},
        {"missing relative output folder",
         {},
         [] { gJob.OutputFolder = "nosuch"; },
         "Error: Invalid output folder"},
        {"missing absolute output folder",
         {},
         [] { gJob.OutputFolder = "/nonexistent/velmora/"; },
         "Error: Invalid output folder"},
        {"conversion type jpg",
         {},
         [] { gJob.ConversionType = "jpg"; },
         "Error: Invalid conversion type"},
        {"conversion type in upper case",
         {},
         [] { gJob.ConversionType = "TIFF"; },
         "Error: Invalid conversion type"},
        {"tiff depth 16", {}, [] { gSettings.TiffBpp = 16; }, "Error: Invalid tiff-bpp value"},
        {"tiff depth 64", {}, [] { gSettings.TiffBpp = 64; }, "Error: Invalid tiff-bpp value"},
        {"tiff depth 96", {}, [] { gSettings.TiffBpp = 96; }, nullptr},
        {"resize width 0", {}, resize(0, 0), "Error: Invalid width value"},
        {"resize height 0", {}, resize(100, 0), "Error: Invalid height value"},
        {"resize off ignores sizes", {}, [] { gSettings.ImageWidth = 0; }, nullptr},
        {"resize with both sizes", {}, resize(100, 50), nullptr},
        {"brightness 101", {}, adjust(101, 0, 1.0f), "Error: Invalid brightness value"},
        {"brightness -101", {}, adjust(-101, 0, 1.0f), "Error: Invalid brightness value"},
        {"brightness at its limits", {}, adjust(-100, 100, 1.0f), nullptr},
        {"contrast 101", {}, adjust(0, 101, 1.0f), "Error: Invalid contrast value"},
        {"contrast -101", {}, adjust(0, -101, 1.0f), "Error: Invalid contrast value"},
        {"gamma 10.0", {}, adjust(0, 0, 10.0f), "Error: Invalid gamma value"},
        {"gamma 9.99", {}, adjust(0, 0, 9.99f), nullptr},
        {"gamma 0.01", {}, adjust(0, 0, 0.01f), nullptr},
        {"gamma 0.009", {}, adjust(0, 0, 0.009f), "Error: Invalid gamma value"},
        {"gamma 0", {}, adjust(0, 0, 0.0f), "Error: Invalid gamma value"},
        {"gamma NaN", {}, adjust(0, 0, nan), "Error: Invalid gamma value"},
        {"gamma infinite", {}, adjust(0, 0, infinity), "Error: Invalid gamma value"},
        {"adjustments off ignore their values",
         {},
         [=] {
             gSettings.ImageBrightness = 500;
             gSettings.ImageGamma = nan;
         },
         nullptr},
        {"missing watermark image",
         {},
         [] {
             gSettings.DoWatermark = ValueOf(WatermarkKind::Image);
             gSettings.WatermarkImage = "/nonexistent/velmora/mark.png";
         },
         "Error: Invalid watermark image"},
        {"empty watermark image",
         [&](const std::string& in) {
             WriteFile(in + "mark.png", "");
             gSettings.WatermarkImage = in + "mark.png";
             return textList(in);
         },
         [] { gSettings.DoWatermark = ValueOf(WatermarkKind::Image); },
         "Error: Invalid watermark image"},
        {"undecodable watermark image",
         [&](const std::string& in) {
             WriteFile(in + "mark.png", "not a picture");
             gSettings.WatermarkImage = in + "mark.png";
             return textList(in);
         },
         [] { gSettings.DoWatermark = ValueOf(WatermarkKind::Image); },
         "Error: Invalid watermark image"},
        {"decodable watermark image",
         [&](const std::string& in) {
             Picture mark = testing::MakePicture(4, 3, [](int, int) {
                 return testing::Rgb{9, 9, 9};
             });
             FreeImage_Save(FIF_BMP, mark.get(), (in + "mark.png").c_str(), 0);
             gSettings.WatermarkImage = in + "mark.png";
             return textList(in);
         },
         [] { gSettings.DoWatermark = ValueOf(WatermarkKind::Image); }, nullptr},
        {"unknown watermark font",
         {},
         textWatermark("Velmora No Such Face", 14),
         "Error: Invalid watermark font"},
        {"watermark font size 0",
         {},
         textWatermark("DejaVu Sans", 0),
         "Error: Invalid watermark font"},
        {"known watermark font", {}, textWatermark("DejaVu Sans", 14), nullptr},
        // Two faults: the earlier step speaks.
        {"missing input before a bad output folder", named("missing.cr2", ""),
         [] { gJob.OutputFolder = "../out"; }, "Error: Invalid input file"},
        {"output folder before conversion type",
         {},
         [] {
             gJob.OutputFolder = "nosuch";
             gJob.ConversionType = "jpg";
         },
         "Error: Invalid output folder"},
        {"conversion type before depth",
         {},
         [] {
             gJob.ConversionType = "jpg";
             gSettings.TiffBpp = 16;
         },
         "Error: Invalid conversion type"},
        {"depth before gamma",
         {},
         [=] {
             gSettings.TiffBpp = 16;
             adjust(0, 0, nan)();
         },
         "Error: Invalid tiff-bpp value"},
        {"width before brightness",
         {},
         [&] {
             resize(0, 0)();
             adjust(101, 0, 1.0f)();
         },
         "Error: Invalid width value"},
        {"brightness before contrast",
         {},
         adjust(101, 101, 1.0f),
         "Error: Invalid brightness value"},
        {"gamma before watermark font",
         {},
         [&] {
             adjust(0, 0, 10.0f)();
             textWatermark("Velmora No Such Face", 14)();
         },
         "Error: Invalid gamma value"},
    };
    for (const ValidationCase& c : cases) {
        SCOPED_TRACE(c.label);
        SetUp();
        std::string input = c.input ? c.input(in_.Path()) : textList(in_.Path());
        if (c.tweak)
            c.tweak();
        BatchOutcome outcome = Run(input);
        if (c.error) {
            EXPECT_EQ(outcome, BatchOutcome::InvalidSettings);
            EXPECT_EQ(lines_, (Lines{"Preparing...", c.error}));
        } else {
            // A text list passes validation and then imports nothing.
            EXPECT_EQ(outcome, BatchOutcome::NothingConverted);
            EXPECT_FALSE(Printed("Error:")) << lines_.back();
        }
        std::filesystem::remove_all(in_.Path());
        std::filesystem::create_directory(in_.Path());
    }
}

struct ListingCase {
    const char* label;
    const char* input; // in the input folder
    std::function<void(const std::string& inputFolder)> tweak;
    Lines expected;
};

TEST_F(BatchDriverTest, DebugListingShowsEverySettingInOrder) {
    const ListingCase cases[] = {
        {"defaults, converted",
         "photo.cr2",
         {},
         {"Preparing...",
          "Input: {in}photo.cr2",
          "Output: {in}",
          "Conversion: tiff",
          "RAW Load As: auto",
          "RAW Header Size: 0",
          "RAW Image Width: 0",
          "RAW Image Height: 0",
          "RAW Tone Mapping: al",
          "TIFF BPP: 0",
          "TIFF Compression: none",
          "TIFF Color Mode: rgb",
          "Image Rotation Type: simple",
          "Image Rotation: 0",
          "Image Rotation Back Color: 000000",
          "Flip Horizontal: 0",
          "Flip Vertical: 0",
          "Greyscale: 0",
          "Frame: none",
          "Watermark: none",
          "Filename Mask: %filename%.%ext%",
          "File Timestamp: current",
          "Keep Subfolders: 1",
          "Importing...",
          "Import complete, new files added: 1",
          "Converting...",
          "Processing: {in}photo.cr2",
          "File Format: JPEG/EXIF",
          "[OK] Saving As: {in}photo.tiff",
          "Conversion complete",
          "Files converted: 1 of 1"}},
        {"every optional block with a text watermark",
         "notes.txt",
         [](const std::string&) {
             Settings& s = gSettings;
             s.RawLoadAs = ValueOf(RawLoadAs::Rgb48);
             s.RawHeaderSize = 16;
             s.RawImageWidth = 640;
             s.RawImageHeight = 480;
             s.RawToneMapping = 4;
             s.TiffBpp = 48;
             s.TiffCompression = 6;
             s.TiffColorMode = ValueOf(ColorMode::Cmyk);
             s.DoImageRotation = 1;
             s.ImageRotationType = 1;
             s.ImageRotation = 90;
             s.ImageRotationBackColor = "FF8000";
             s.DoImageResize = 1;
             s.ImageWidth = 50;
             s.ImageWidthUnit = 1;
             s.ImageHeight = 480;
             s.KeepAspectRatio = 1;
             s.ImageResizeType = 1;
             s.ImageResizeAlgorithm = 5;
             s.DoImageFlipHorizontal = 1;
             s.DoImageColorCorrection = 1;
             s.ImageBrightness = -20;
             s.ImageContrast = 35;
             s.ImageGamma = 1.5f;
             s.ImageInvert = 1;
             s.DoImageGreyscale = 1;
             s.DoImageThreshold = 1;
             s.ImageThreshold = 128;
             s.DoImageDither = 1;
             s.ImageDitherAlgorithm = 2;
             s.DoFrame = ValueOf(FrameKind::Solid);
             s.SolidLeft = 1;
             s.SolidRight = 2;
             s.SolidTop = 3;
             s.SolidBottom = 4;
             s.SolidLeftColor = "FF0000";
             s.SolidRightColor = "00FF00";
             s.SolidTopColor = "0000FF";
             s.SolidBottomColor = "FFFFFF";
             s.SolidOpacity = 200;
             s.DoWatermark = ValueOf(WatermarkKind::Text);
             s.WatermarkText = "Shot %yyyy%";
             s.FontName = "DejaVu Sans";
             s.FontSize = 12;
             s.FontLeading = 2;
             s.FontColor = "FFFF00";
             s.FontStyle = ValueOf(FontStyle::BoldItalic);
             s.FontEffect = ValueOf(FontEffect::Underline);
             s.TextAntialiasing = 1;
             s.TextAlignment = 1;
             s.TextPadding = 5;
             s.TextOpacity = 128;
             s.BackColor = "000080";
             s.BackOpacity = 64;
             s.TextBoundary = 1;
             s.TextPosition = 4;
             s.TextXOffset = 7;
             s.TextYOffset = 9;
             s.TextRotation = 45;
             s.TextSize = ValueOf(SizeMode::Fit);
             s.FilenameMask = "%filename%-%n%.%ext%";
             s.FileTimestamp = ValueOf(Timestamp::Custom);
             s.CustomTimestamp = 1600000000;
             s.KeepSubfolders = 0;
         },
         {"Preparing...",
          "Input: {in}notes.txt",
          "Output: {in}",
          "Conversion: tiff",
          "RAW Load As: 48",
          "RAW Header Size: 16",
          "RAW Image Width: 640",
          "RAW Image Height: 480",
          "RAW Tone Mapping: gd",
          "TIFF BPP: 48",
          "TIFF Compression: lzw",
          "TIFF Color Mode: cmyk",
          "TIFF CMYK Profile: built-in separation (grey-component replacement)",
          "Image Rotation Type: advanced",
          "Image Rotation: 90",
          "Image Rotation Back Color: FF8000",
          "Width: 50 percent",
          "Height: 480 pixels",
          "Keep Aspect Ratio: 1",
          "Image Resize Type: largeimages",
          "Image Resize Algorithm: lanczos",
          "Flip Horizontal: 1",
          "Flip Vertical: 0",
          "Brightness: -20",
          "Contrast: 35",
          "Gamma: 1.50",
          "Invert: 1",
          "Greyscale: 1",
          "Image Threshold: 128",
          "Image Dithering Algorithm: bayer8",
          "Frame: solid",
          "Frame left: 1",
          "Frame right: 2",
          "Frame top: 3",
          "Frame bottom: 4",
          "Frame left color: FF0000",
          "Frame right color: 00FF00",
          "Frame top color: 0000FF",
          "Frame bottom color: FFFFFF",
          "Frame opacity: 200",
          "Watermark: text",
          "Watermark text: Shot %yyyy%",
          "Watermark font: DejaVu Sans",
          "Watermark font size: 12",
          "Watermark font leading: 2",
          "Watermark font color: FFFF00",
          "Watermark font style: bolditalic",
          "Watermark font effect: underline",
          "Watermark text antialiasing: 1",
          "Watermark text alignment: center",
          "Watermark text padding: 5",
          "Watermark text opacity: 128",
          "Watermark background color: 000080",
          "Watermark background opacity: 64",
          "Watermark boundary: frame",
          "Watermark position: middlecenter",
          "Watermark offset (x/y): 7/9",
          "Watermark rotation: 45",
          "Watermark size/mode: fit",
          "Filename Mask: %filename%-%n%.%ext%",
          "File Timestamp: custom",
          "Custom Timestamp: 1600000000",
          "Keep Subfolders: 0",
          "Importing...",
          "Import complete, new files added: 0",
          "Conversion stopped",
          kNoInput}},
    };
    for (const ListingCase& c : cases) {
        SCOPED_TRACE(c.label);
        SetUp();
        gJob.RunMode = "DEBUG";
        std::string input =
            std::string(c.input) == "photo.cr2" ? Photo(c.input) : File(c.input, "a list");
        if (c.tweak)
            c.tweak(in_.Path());
        Run(input);
        EXPECT_EQ(lines_, Filled(c.expected));
    }
}

struct OutputCase {
    const char* label;
    bool quiet;
    const char* input; // photo.cr2 is a picture, noise.nef is not, the rest hold text
    BatchOutcome outcome;
    Lines expected;
};

TEST_F(BatchDriverTest, PrintsStatusLinesUnlessQuiet) {
    const OutputCase cases[] = {
        {"converted",
         false,
         "photo.cr2",
         BatchOutcome::Converted,
         {"Preparing...", "Importing...", "Import complete, new files added: 1", "Converting...",
          "Conversion complete", "Files converted: 1 of 1"}},
        {"converted, quiet", true, "photo.cr2", BatchOutcome::Converted, {}},
        {"not convertible",
         false,
         "noise.nef",
         BatchOutcome::NothingConverted,
         {"Preparing...", "Importing...", "Import complete, new files added: 1", "Converting...",
          "Conversion stopped"}},
        {"not convertible, quiet",
         true,
         "noise.nef",
         BatchOutcome::NothingConverted,
         {"Conversion stopped"}},
        {"text list",
         false,
         "notes.txt",
         BatchOutcome::NothingConverted,
         {"Preparing...", "Importing...", "Import complete, new files added: 0",
          "Conversion stopped", kNoInput}},
        {"text list, quiet",
         true,
         "notes.txt",
         BatchOutcome::NothingConverted,
         {"Conversion stopped", kNoInput}},
        {"list file, quiet",
         true,
         "files.LST",
         BatchOutcome::NothingConverted,
         {"Conversion stopped", kNoInput}},
        {"extension of a group not enabled",
         false,
         "photo.jpg",
         BatchOutcome::NothingConverted,
         {"Preparing...", "Importing...", "Import complete, new files added: 0",
          "Conversion stopped", kNoInput}},
        {"validation error, quiet",
         true,
         "noext",
         BatchOutcome::InvalidSettings,
         {"Error: Invalid input file"}},
    };
    for (const OutputCase& c : cases) {
        SCOPED_TRACE(c.label);
        SetUp();
        std::string name = c.input;
        std::string input = name == "photo.cr2"   ? Photo(name)
                            : name == "noise.nef" ? File(name, testing::NoiseBytes(8192, 11))
                                                  : File(name, "some text");
        EXPECT_EQ(Run(input, c.quiet), c.outcome);
        EXPECT_EQ(lines_, c.expected);
        EXPECT_EQ(FileExists(in_ / "photo.tiff"), c.outcome == BatchOutcome::Converted);
        std::filesystem::remove_all(in_.Path());
        std::filesystem::create_directory(in_.Path());
    }
}

TEST_F(BatchDriverTest, QuietDebugRunKeepsTheListingAndFileLinesOnly) {
    gJob.RunMode = "DEBUG";
    std::string input = Photo("photo.cr2");
    ASSERT_EQ(Run(input, true), BatchOutcome::Converted);
    ASSERT_FALSE(lines_.empty());
    EXPECT_EQ(lines_.front(), "Input: " + input);
    EXPECT_EQ(lines_.back(), "[OK] Saving As: " + (in_ / "photo.tiff"));
    for (const char* status : {"Preparing...", "Importing...", "Converting...", "Import complete",
                               "Conversion complete", "Files converted"})
        EXPECT_FALSE(Printed(status)) << status;
}

TEST_F(BatchDriverTest, FileLinesNeedDebugMode) {
    struct Case {
        bool debug;
        const char* input;
        Lines fileLines; // lines between "Converting..." and the summary
    };
    const Case cases[] = {
        {true,
         "noise.nef",
         {"Processing: {in}noise.nef", "File Format: [ERROR] UNRECOGNIZED",
          "[ERROR] Unable to convert the file!"}},
        {false, "noise.nef", {}},
        {false, "photo.cr2", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.debug) + " " + c.input);
        SetUp();
        gJob.RunMode = c.debug ? "DEBUG" : "";
        std::string input = std::string(c.input) == "photo.cr2"
                                ? Photo(c.input)
                                : File(c.input, testing::NoiseBytes(8192, 12));
        Run(input);
        auto converting = std::find(lines_.begin(), lines_.end(), "Converting...");
        ASSERT_NE(converting, lines_.end());
        auto summary = std::find_if(converting, lines_.end(), [](const std::string& line) {
            return line == "Conversion complete" || line == "Conversion stopped";
        });
        EXPECT_EQ(Lines(converting + 1, summary), Filled(c.fileLines));
        std::filesystem::remove_all(in_.Path());
        std::filesystem::create_directory(in_.Path());
    }
}

// An output folder the user names without a leading "/" lives under the program's folder.
TEST_F(BatchDriverTest, RelativeOutputFolderIsUnderTheProgramFolder) {
    struct Case {
        const char* outputFolder;
    };
    const Case cases[] = {{"out"}, {"./out"}, {"out/"}, {"nested/deeper"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outputFolder);
        SetUp();
        std::string wanted =
            program_.Path() +
            (std::string(c.outputFolder) == "nested/deeper" ? "nested/deeper/" : "out/");
        std::filesystem::create_directories(wanted);
        gJob.RunMode = "DEBUG";
        gJob.OutputFolder = c.outputFolder;
        ASSERT_EQ(Run(Photo("photo.cr2")), BatchOutcome::Converted);
        EXPECT_EQ(lines_.at(2), std::string("Output: ") + c.outputFolder);
        EXPECT_TRUE(FileExists(wanted + "photo.tiff"));
        EXPECT_FALSE(FileExists(in_ / "photo.tiff"));
        std::filesystem::remove_all(wanted);
        std::filesystem::remove(in_ / "photo.cr2");
    }
}

// Without an output folder the output goes next to the input, a relative input being
// relative to the current folder.
TEST_F(BatchDriverTest, NoOutputFolderWritesNextToTheInput) {
    struct Case {
        const char* input;      // as typed
        const char* outputFile; // below the input folder
    };
    const Case cases[] = {
        {"{in}photo.cr2", "photo.tiff"},     {"{in}sub/photo.cr2", "sub/photo.tiff"},
        {"photo.cr2", "photo.tiff"},         {"./photo.cr2", "photo.tiff"},
        {"sub/photo.cr2", "sub/photo.tiff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        SetUp();
        CurrentFolderGuard guard;
        std::filesystem::current_path(in_.Path());
        std::string typed = Fill(c.input, in_.Path(), program_.Path());
        Photo(typed.front() == '/' ? typed.substr(in_.Path().size()) : typed);
        ASSERT_EQ(Run(typed), BatchOutcome::Converted);
        EXPECT_TRUE(FileExists(in_ / c.outputFile));
        EXPECT_FALSE(FileExists(program_ / "photo.tiff"));
        std::filesystem::remove_all(in_.Path());
        std::filesystem::create_directory(in_.Path());
    }
}

TEST_F(BatchDriverTest, OutputDateFollowsTheTimestampSetting) {
    const int64_t inputTime = 1000000000;
    struct Case {
        int timestamp;
        int64_t expected; // 0: the time of the run
    };
    const Case cases[] = {
        {ValueOf(Timestamp::Original), inputTime},
        {ValueOf(Timestamp::Custom), 1234567890},
        {ValueOf(Timestamp::Current), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.timestamp);
        SetUp();
        gSettings.FileTimestamp = static_cast<int8_t>(c.timestamp);
        gSettings.CustomTimestamp = 1234567890;
        std::string input = Photo("photo.cr2");
        ASSERT_TRUE(SetModificationTime(input, FileTime{inputTime, 0}));
        int64_t before = static_cast<int64_t>(std::time(nullptr));
        ASSERT_EQ(Run(input), BatchOutcome::Converted);
        auto written = ModificationTime(in_ / "photo.tiff");
        ASSERT_TRUE(written);
        if (c.expected != 0) {
            EXPECT_EQ(written->seconds, c.expected);
        } else {
            EXPECT_GE(written->seconds, before - 1);
        }
        std::filesystem::remove(in_ / "photo.tiff");
    }
}

// The name of each file uses the counter and random number as they stand before its
// success; a failure advances neither.
TEST_F(BatchDriverTest, CounterAndRandomNumberAdvanceOnlyAfterSuccess) {
    gSettings.FilenameMask = "%filename%-%n%-%rnd%";
    struct Step {
        const char* input;
        bool converts;
    };
    const Step steps[] = {{"a.cr2", true}, {"b.nef", false}, {"c.cr2", true}, {"d.nef", false}};
    int32_t counter = 1;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.input);
        gInputFileMap.clear();
        gJob.OutputFolder.clear();
        std::string input =
            step.converts ? Photo(step.input) : File(step.input, testing::NoiseBytes(8192, 13));
        int32_t random = gJob.RandomNumber;
        char expectedName[64];
        std::snprintf(expectedName, sizeof expectedName, "%c-%05d-%05d", step.input[0], counter,
                      random);
        BatchOutcome outcome = Run(input);
        if (step.converts) {
            EXPECT_EQ(outcome, BatchOutcome::Converted);
            EXPECT_TRUE(FileExists(in_ / expectedName)) << expectedName;
            ++counter;
            EXPECT_GE(gJob.RandomNumber, 1);
            EXPECT_LE(gJob.RandomNumber, 99999);
        } else {
            EXPECT_EQ(outcome, BatchOutcome::NothingConverted);
            EXPECT_EQ(gJob.RandomNumber, random);
        }
        EXPECT_EQ(gJob.FileCounter, counter);
    }
}

TEST_F(BatchDriverTest, WatermarkFontIsReleasedAfterTheRun) {
    struct Case {
        const char* input;
        BatchOutcome outcome;
    };
    const Case cases[] = {
        {"notes.txt", BatchOutcome::NothingConverted},
        {"photo.cr2", BatchOutcome::Converted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        SetUp();
        gSettings.DoWatermark = ValueOf(WatermarkKind::Text);
        gSettings.FontName = "DejaVu Sans";
        // Small enough to fit the 16 x 8 photo: a watermark cropped to nothing fails the file.
        gSettings.WatermarkText = "x";
        gSettings.FontSize = 5;
        gSettings.TextXOffset = gSettings.TextYOffset = 0;
        std::string input =
            std::string(c.input) == "photo.cr2" ? Photo(c.input) : File(c.input, "text");
        EXPECT_EQ(Run(input), c.outcome);
        EXPECT_EQ(LoadedWatermarkFont(), nullptr);
    }
}

class Worker : public BatchDriverTest {
protected:
    void Ready() {
        plan_ = RunPlan{.face = RunFace::Console,
                        .outputFolder = in_.Path(),
                        .conversionType = "tiff",
                        .outputFif = FIF_TIFF,
                        .saveFlags = SaveFlagsFor("tiff", gSettings)};
        gProgress.Running = 1;
    }
    RunPlan plan_;
};

TEST_F(Worker, PublishesProgressAndRaisesShortDurations) {
    struct Case {
        const char* label;
        const char* first;  // converted first (map order)
        const char* second; // converted second
        int converted;
        int64_t minDuration, maxDuration; // the duration published before the second file
    };
    const int64_t kNoLimit = std::numeric_limits<int64_t>::max();
    const Case cases[] = {
        {"two good files", "a.cr2", "b.cr2", 2, 1000, kNoLimit},
        {"failure first", "a.nef", "b.cr2", 1, 0, 0},
        {"failure second", "a.cr2", "b.nef", 1, 1000, kNoLimit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetUp();
        Ready();
        for (const char* name : {c.first, c.second}) {
            std::string path = std::string(name).ends_with(".cr2")
                                   ? Photo(name)
                                   : File(name, testing::NoiseBytes(8192, 14));
            gInputFileMap[path] = InputFileEntry{};
        }
        ConversionWorker(plan_);
        EXPECT_EQ(gProgress.ConvertedCount, c.converted);
        EXPECT_EQ(gProgress.CurrentIndex, 2);
        EXPECT_EQ(gProgress.CurrentFile, in_ / c.second);
        EXPECT_GE(gProgress.LastDuration, c.minDuration);
        EXPECT_LE(gProgress.LastDuration, c.maxDuration);
        std::filesystem::remove_all(in_.Path());
        std::filesystem::create_directory(in_.Path());
    }
}

TEST_F(Worker, StopsBeforeTheNextFileWhenNotRunning) {
    Ready();
    gInputFileMap[Photo("a.cr2")] = InputFileEntry{};
    gProgress.Running = 0;
    ConversionWorker(plan_);
    EXPECT_EQ(gProgress.ConvertedCount, 0);
    EXPECT_EQ(gProgress.CurrentIndex, 0);
    EXPECT_FALSE(FileExists(in_ / "a.tiff"));
}

TEST_F(BatchDriverTest, AddInputFileTakesEachAcceptedFileOnce) {
    std::filesystem::create_directory(in_ / "folder.nef");
    struct Case {
        std::string path;
        int added;
    };
    const Case cases[] = {
        {Photo("photo.cr2"), 1},    {in_ / "photo.cr2", 0}, // already there
        {Photo("UPPER.CR2"), 1},    {Photo("photo.tif"), 0},  {File("notes.txt", "text"), 0},
        {File("empty.nef", ""), 0}, {in_ / "missing.nef", 0}, {in_ / "folder.nef", 0},
        {Photo("noext"), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddInputFile(c.path), c.added) << c.path;
    EXPECT_EQ(gInputFileMap.size(), 2u);
}

TEST_F(BatchDriverTest, AddInputFileRecordsTheSubfolderBelowTheInputFolder) {
    struct Case {
        std::string inputFolder;
        const char* name;
        const char* subfolder;
    };
    const Case cases[] = {
        {in_.Path(), "2021/trip/a.cr2", "2021/trip/"},
        {in_.Path(), "b.cr2", ""},
        {"", "2021/c.cr2", ""},
    };
    for (const Case& c : cases) {
        std::string path = Photo(c.name);
        ASSERT_EQ(AddInputFile(path, c.inputFolder), 1) << c.name;
        EXPECT_EQ(gInputFileMap.at(path).RelativeSubfolder, c.subfolder) << c.name;
    }
}

TEST(ExtensionOf, TakesOnlyARealExtensionOfTheName) {
    struct Case {
        const char* path;
        const char* extension;
    };
    const Case cases[] = {
        {"a.cr2", "cr2"},   {"/x/y/IMG.CR2", "CR2"},
        {"a.b.nef", "nef"}, {"/x.y/noext", ""},
        {"x\\y.z", "z"},    {".hidden", ""},
        {"/x/.hidden", ""}, {"a. b", ""},
        {"name.", ""},      {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtensionOf(c.path), c.extension) << c.path;
}

} // namespace
} // namespace velmora
