#include "engine/batch_driver.h"

#include "cli/catalogue/catalogue.h"
#include "cli/catalogue/fill_template.h"
#include "engine/format_registry.h"
#include "engine/name_mask.h"
#include "engine/pipeline.h"
#include "engine/signature_sniffer.h"
#include "imageops/cmyk_separation.h"
#include "imageops/color_adjustment.h"
#include "imageops/color_profile.h"
#include "imageops/drawn_steps.h"
#include "imageops/watermark_picture.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/picture_heap.h"
#include "platform/text.h"
#include "settings/keywords.h"
#include "settings/settings.h"

#include <cmath>
#include <cstdio>
#include <span>
#include <thread>
#include <type_traits>
#include <variant>

namespace velmora {
namespace {

class Listing {
public:
    explicit Listing(bool debug) : debug_(debug) {}
    void operator()(std::string_view label, std::string_view value) const {
        if (debug_)
            PrintLine(std::string(label) + std::string(value));
    }
    void operator()(std::string_view label, long long value) const {
        (*this)(label, std::to_string(value));
    }

private:
    bool debug_;
};

std::string Word(int list, int value) {
    return ValueToKeyword(list, value);
}

using S = Settings;

// One line of the listing: its label and the setting it shows. A setting with a keyword
// list is shown as its word, other numbers as they are.
struct ListedSetting {
    const char* label;
    std::variant<int8_t S::*, int32_t S::*, std::string S::*> field;
    int keywords = -1;
};

// format chooses the words of the Compression list.
void ListSetting(const Listing& debug, const ListedSetting& line, std::string_view format = {}) {
    std::visit(
        [&](auto member) {
            const auto& value = gSettings.*member;
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>)
                debug(line.label, value);
            else if (line.keywords >= 0)
                debug(line.label, ValueToKeyword(line.keywords, value, format));
            else
                debug(line.label, value);
        },
        line.field);
}

void ListSettings(const Listing& debug, std::span<const ListedSetting> lines) {
    for (const ListedSetting& line : lines)
        ListSetting(debug, line);
}

// A line listed only for one input group or one output format.
struct FormatSetting {
    std::string_view format;
    ListedSetting line;
};

void ListFormatSettings(const Listing& debug, std::span<const FormatSetting> lines,
                        std::string_view format) {
    for (const FormatSetting& entry : lines)
        if (entry.format == format)
            ListSetting(debug, entry.line, format);
}

std::string TwoDecimals(float value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(value));
    return buffer;
}

// Validation steps give back the error text that ends the run, or "" to go on.
using Error = std::string;

Error CheckInput(const Listing& debug) {
    debug("Input: ", gJob.InputFolder);
    if (ExtensionOf(gJob.InputFolder).empty()) {
        gJob.InputFolder.clear();
        return "Invalid input file";
    }
    gJob.InputFile = gJob.InputFolder;
    gJob.InputFolder.clear();
    if (FileSize(gJob.InputFile) <= 0)
        return "Invalid input file";
    return {};
}

// Without an output folder the output goes next to the input. A relative input is
// relative to the current folder, so its folder is made absolute here; only a folder
// the user names is taken relative to the program's folder.
std::string FolderNextToInput() {
    std::string folder = FolderOf(gJob.InputFolder.empty() ? gJob.InputFile : gJob.InputFolder);
    if (folder.empty() || folder.front() != '/')
        folder = CurrentFolder() + (StartsWith(folder, "./") ? folder.substr(2) : folder);
    return folder;
}

Error ResolveOutputFolder(const Listing& debug) {
    std::string& folder = gJob.OutputFolder;
    if (folder.empty())
        folder = FolderNextToInput();
    debug("Output: ", folder);
    if (StartsWith(folder, ".."))
        return "Incorrect output folder";
    if (folder.front() != '/') {
        if (StartsWith(folder, "./"))
            folder.erase(0, 2);
        folder = gJob.ProgramFolder + folder;
    }
    folder = WithTrailingSlash(folder);
    if (!FolderCanTakeFiles(folder))
        return "Invalid output folder";
    return {};
}

Error CheckConversionType(const Listing& debug) {
    if (gJob.InputGroup.empty())
        gJob.InputGroup = EnabledInputGroups().front();
    if (gJob.ConversionType.empty())
        gJob.ConversionType = EnabledOutputFormats().front();
    debug("Conversion: ", gJob.ConversionType);
    if (!IsEnabledOutput(gJob.ConversionType))
        return "Invalid conversion type";
    return {};
}

void ListInputGroup(const Listing& debug) {
    static constexpr FormatSetting kLines[] = {
        {"dds", {"DDS Load As: ", &S::DdsLoadAs, kDdsLoadAsList}},
        {"gif", {"GIF Frame Loading: ", &S::GifFrameLoading, kFrameLoadingList}},
        {"ico", {"ICO Frame Loading: ", &S::IcoFrameLoading, kFrameLoadingList}},
        {"psd", {"PSD Color Mode: ", &S::PsdColorMode, kColorModeList}},
        {"raw", {"RAW Load As: ", &S::RawLoadAs, kRawLoadAsList}},
        {"raw", {"RAW Header Size: ", &S::RawHeaderSize}},
        {"raw", {"RAW Image Width: ", &S::RawImageWidth}},
        {"raw", {"RAW Image Height: ", &S::RawImageHeight}},
        {"raw", {"RAW Tone Mapping: ", &S::RawToneMapping, kToneMappingList}},
        {"tiff", {"TIFF Frame Loading: ", &S::TiffFrameLoading, kFrameLoadingList}},
    };
    ListFormatSettings(debug, kLines, gJob.InputGroup);
}

// The settings of the output format besides its depth; compression words are the format's.
void ListOutputFormatExtras(const Listing& debug, const std::string& format) {
    static constexpr FormatSetting kLines[] = {
        {"bmp", {"BMP Compression: ", &S::BmpCompression, kCompressionList}},
        {"bmp", {"BMP Color Table: ", &S::BmpColorTable, kColorTableList}},
        {"exr", {"EXR Compression: ", &S::ExrCompression, kCompressionList}},
        {"jpg", {"JPG Quality: ", &S::JpgQuality}},
        {"jpg", {"JPG Chroma Subsampling: ", &S::JpgChroma, kChromaList}},
        {"jpg", {"JPG Save As: ", &S::JpgSaveAs, kJpegSaveAsList}},
        {"png", {"PNG Compression: ", &S::PngCompression, kCompressionList}},
        {"png", {"PNG Interlaced: ", &S::PngInterlaced}},
        {"tga", {"TGA Compression: ", &S::TgaCompression, kCompressionList}},
        {"tiff", {"TIFF Compression: ", &S::TiffCompression, kCompressionList}},
        {"tiff", {"TIFF Color Mode: ", &S::TiffColorMode, kColorModeList}},
        {"webp", {"WEBP Quality: ", &S::WebpQuality}},
    };
    ListFormatSettings(debug, kLines, format);
}

// Which profile CMYK output is separated into (listed for CMYK output and whenever one is
// named); a named file that is no CMYK printer profile would otherwise fall back on the
// formula for every file without a word.
Error CheckCmykProfile(const Listing& debug) {
    const std::string& path = gSettings.CmykProfile;
    if (path.empty() && gSettings.TiffColorMode != kColorCmyk)
        return {};
    if (path.empty()) {
        debug("TIFF CMYK Profile: ", "built-in separation (grey-component replacement)");
        return {};
    }
    const std::string& profile = CmykPrinterProfile(path);
    debug("TIFF CMYK Profile: ",
          profile.empty() ? path : path + " (" + IccDescription(profile) + ")");
    return profile.empty() ? "Invalid CMYK profile" : Error();
}

Error CheckOutputFormat(const Listing& debug) {
    const std::string& format = gJob.ConversionType;
    const OutputFormat* entry = FindOutputFormat(format);
    if (!entry)
        return "Invalid conversion type";
    int32_t depth = gSettings.*(entry->depthField);
    debug(ToUpper(format) + " BPP: ", depth);
    ListOutputFormatExtras(debug, format);
    if (!IsValidBpp(format, depth))
        return "Invalid " + format + "-bpp value";
    if (format == "tiff")
        if (Error error = CheckCmykProfile(debug); !error.empty())
            return error;
    if (format == "jpg" && (gSettings.JpgQuality < 1 || gSettings.JpgQuality > 100))
        return "Invalid jpg-quality value";
    if (format == "webp" && (gSettings.WebpQuality < 1 || gSettings.WebpQuality > 100))
        return "Invalid webp-quality value";
    if (gSettings.SaveThreads < 0)
        return "Invalid threads value";
    return {};
}

Error CheckTransform(const Listing& debug) {
    static constexpr ListedSetting kRotation[] = {
        {"Image Rotation Type: ", &S::ImageRotationType, kRotationTypeList},
        {"Image Rotation: ", &S::ImageRotation},
        {"Image Rotation Back Color: ", &S::ImageRotationBackColor},
    };
    static constexpr ListedSetting kResize[] = {
        {"Keep Aspect Ratio: ", &S::KeepAspectRatio},
        {"Image Resize Type: ", &S::ImageResizeType, kResizeTypeList},
        {"Image Resize Algorithm: ", &S::ImageResizeAlgorithm, kResizeAlgorithmList},
    };
    static constexpr ListedSetting kFlip[] = {
        {"Flip Horizontal: ", &S::DoImageFlipHorizontal},
        {"Flip Vertical: ", &S::DoImageFlipVertical},
    };
    const Settings& s = gSettings;
    ListSettings(debug, kRotation);
    if (s.DoImageResize) {
        debug("Width: ", std::to_string(s.ImageWidth) + " " + Word(kUnitList, s.ImageWidthUnit));
        if (s.ImageWidth == 0)
            return "Invalid width value";
        debug("Height: ", std::to_string(s.ImageHeight) + " " + Word(kUnitList, s.ImageHeightUnit));
        if (s.ImageHeight == 0)
            return "Invalid height value";
        ListSettings(debug, kResize);
    }
    ListSettings(debug, kFlip);
    return {};
}

Error CheckAdjustments(const Listing& debug) {
    const Settings& s = gSettings;
    if (!s.DoImageColorCorrection)
        return {};
    debug("Brightness: ", s.ImageBrightness);
    if (!kBrightnessRange.Contains(s.ImageBrightness))
        return "Invalid brightness value";
    debug("Contrast: ", s.ImageContrast);
    if (!kContrastRange.Contains(s.ImageContrast))
        return "Invalid contrast value";
    debug("Gamma: ", TwoDecimals(s.ImageGamma));
    // NaN fails too: it would reach the gamma curve otherwise.
    if (!kGammaRange.Contains(s.ImageGamma))
        return "Invalid gamma value";
    debug("Invert: ", s.ImageInvert);
    return {};
}

void ListEffectsAndFrame(const Listing& debug) {
    static constexpr ListedSetting kSolidFrame[] = {
        {"Frame left: ", &S::SolidLeft},
        {"Frame right: ", &S::SolidRight},
        {"Frame top: ", &S::SolidTop},
        {"Frame bottom: ", &S::SolidBottom},
        {"Frame left color: ", &S::SolidLeftColor},
        {"Frame right color: ", &S::SolidRightColor},
        {"Frame top color: ", &S::SolidTopColor},
        {"Frame bottom color: ", &S::SolidBottomColor},
        {"Frame opacity: ", &S::SolidOpacity},
    };
    const Settings& s = gSettings;
    debug("Greyscale: ", s.DoImageGreyscale);
    if (s.DoImageThreshold)
        debug("Image Threshold: ", s.ImageThreshold);
    if (s.DoImageDither)
        debug("Image Dithering Algorithm: ", Word(kDitherList, s.ImageDitherAlgorithm));
    debug("Frame: ", Word(kFrameKindList, s.DoFrame));
    if (s.DoFrame == kFrameSolid)
        ListSettings(debug, kSolidFrame);
    debug("Watermark: ", Word(kWatermarkKindList, s.DoWatermark));
}

void ListPlacement(const Listing& debug, int boundary, int position, int x, int y, int rotation,
                   int sizeMode) {
    debug("Watermark boundary: ", Word(kBoundaryList, boundary));
    debug("Watermark position: ", Word(kPositionList, position));
    debug("Watermark offset (x/y): ", std::to_string(x) + "/" + std::to_string(y));
    debug("Watermark rotation: ", rotation);
    debug("Watermark size/mode: ", Word(kSizeModeList, sizeMode));
}

Error CheckWatermark(const Listing& debug) {
    static constexpr ListedSetting kText[] = {
        {"Watermark text: ", &S::WatermarkText},
        {"Watermark font: ", &S::FontName},
        {"Watermark font size: ", &S::FontSize},
        {"Watermark font leading: ", &S::FontLeading},
        {"Watermark font color: ", &S::FontColor},
        {"Watermark font style: ", &S::FontStyle, kFontStyleList},
        {"Watermark font effect: ", &S::FontEffect, kFontEffectList},
        {"Watermark text antialiasing: ", &S::TextAntialiasing},
        {"Watermark text alignment: ", &S::TextAlignment, kAlignmentList},
        {"Watermark text padding: ", &S::TextPadding},
        {"Watermark text opacity: ", &S::TextOpacity},
        {"Watermark background color: ", &S::BackColor},
        {"Watermark background opacity: ", &S::BackOpacity},
    };
    static constexpr ListedSetting kImage[] = {
        {"Watermark image: ", &S::WatermarkImage},
        {"Watermark greyscale: ", &S::ImageGreyscale},
        {"Watermark opacity: ", &S::ImageOpacity},
    };
    const Settings& s = gSettings;
    if (s.DoWatermark == kWatermarkText) {
        ListSettings(debug, kText);
        ListPlacement(debug, s.TextBoundary, s.TextPosition, s.TextXOffset, s.TextYOffset,
                      s.TextRotation, s.TextSize);
        const DrawnSteps* drawn = LoadDrawnSteps();
        if (!drawn || !drawn->loadWatermarkFont(s.FontName, s.FontSize, s.FontStyle, s.FontEffect))
            return "Invalid watermark font";
    } else if (s.DoWatermark == kWatermarkImage) {
        ListSettings(debug, kImage);
        ListPlacement(debug, s.ImageBoundary, s.ImagePosition, s.ImageXOffset, s.ImageYOffset,
                      s.WatermarkImageRotation, s.ImageSize);
        // Decoded once here: a picture that cannot be would leave every file unmarked.
        if (!LoadWatermarkPicture(s.WatermarkImage))
            return "Invalid watermark image";
    }
    return {};
}

void ListNaming(const Listing& debug) {
    const Settings& s = gSettings;
    debug("Filename Mask: ", s.FilenameMask);
    debug("File Timestamp: ", Word(kTimestampList, s.FileTimestamp));
    if (s.FileTimestamp == kTimestampCustom)
        debug("Custom Timestamp: ", s.CustomTimestamp);
    debug("Keep Subfolders: ", s.KeepSubfolders);
}

void ResolveOutput() {
    const OutputFormat* format = FindOutputFormat(gJob.ConversionType);
    gJob.OutputFif = format->fif;
    gJob.OutputBpp = gSettings.*(format->depthField);
    gJob.SaveFlags = SaveFlagsFor(gJob.ConversionType, gSettings);
    gJob.AutoBpp = gJob.OutputBpp == 0 ? 1 : 0;
}

// The validation steps in their order; the first error ends the run.
Error Validate(const Listing& debug) {
    using Step = Error (*)(const Listing&);
    static constexpr Step kSteps[] = {CheckInput, ResolveOutputFolder, CheckConversionType};
    for (Step step : kSteps) {
        Error error = step(debug);
        if (!error.empty())
            return error;
    }
    ListInputGroup(debug);
    for (Step step : {CheckOutputFormat, CheckTransform, CheckAdjustments}) {
        Error error = step(debug);
        if (!error.empty())
            return error;
    }
    ListEffectsAndFrame(debug);
    Error error = CheckWatermark(debug);
    if (!error.empty())
        return error;
    ListNaming(debug);
    return {};
}

void StampOutputDate() {
    if (gSettings.FileTimestamp == kTimestampOriginal) {
        if (auto time = ModificationTime(gJob.InputFile))
            SetModificationTime(gJob.OutputFile, *time);
    } else if (gSettings.FileTimestamp == kTimestampCustom) {
        SetModificationTime(gJob.OutputFile, FileTime{gSettings.CustomTimestamp, 0});
    }
}

// Only a text watermark loads a font; other runs never open the drawing library for this.
void FreeLoadedWatermarkFont() {
    if (gSettings.DoWatermark != kWatermarkText)
        return;
    if (const DrawnSteps* drawn = LoadDrawnSteps())
        drawn->freeWatermarkFont();
}

std::string Msg(std::string_view key) {
    return CatalogueText("Msg", key);
}

} // namespace

void InitConversionJob() {
    gJob = ConversionJob{};
    gJob.ProgramFolder = ExecutableFolder();
    gJob.RandomNumber = RandomInRange(1, 99999);
    gJob.FileCounter = 1;
    gInputFileMap.clear();
    RebuildAcceptedInputExtensions();
}

int AddInputFile(const std::string& path) {
    if (FileSize(path) <= 0 || !IsAcceptedExtension(ToLower(ExtensionOf(path))))
        return 0;
    if (gInputFileMap.count(path))
        return 0;
    InputFileEntry entry;
    if (!gJob.InputFolder.empty() && StartsWith(path, gJob.InputFolder))
        entry.RelativeSubfolder = FolderOf(path.substr(gJob.InputFolder.size()));
    gInputFileMap.emplace(path, entry);
    return 1;
}

// A failed file's reason: on standard error for the console (whatever quiet says), and in
// the progress record for the window.
void ReportFailure(const std::string& file, const FileResult& result) {
    if (gJob.CommandLineRun == 1)
        PrintErrorLine(file, result.reason);
    std::lock_guard lock(gRunMutex);
    gProgress.Failures.push_back({file, result.reason});
}

void ConversionWorker() {
    bool verbose = gJob.CommandLineRun == 1 && gJob.RunMode == "DEBUG";
    int32_t index = 0, converted = 0;
    int64_t lastDuration = 0;
    {
        std::lock_guard lock(gRunMutex);
        gProgress.Failures.clear();
    }
    for (const auto& [path, entry] : gInputFileMap) {
        {
            std::lock_guard lock(gRunMutex);
            if (gProgress.Running != 1)
                break;
            ++index;
            gProgress.CurrentIndex = index;
            gProgress.CurrentFile = path;
            gProgress.CurrentStage = kStageDecode;
            gProgress.LastDuration = lastDuration;
        }
        gJob.InputFile = path;
        gJob.RelativeSubfolder = entry.RelativeSubfolder;
        if (verbose) {
            PrintLine("Processing: " + gJob.InputFile);
            PrintLine("File Format: " + SignatureSniffer(gJob.InputFile));
        }
        int64_t start = ElapsedMilliseconds();
        FileResult result = ConvertOneFile();
        if (result) {
            if (verbose)
                PrintLine("[OK] Saving As: " + gJob.OutputFile);
            ++converted;
            lastDuration = std::max<int64_t>(ElapsedMilliseconds() - start, 1000);
            gJob.RandomNumber = RandomInRange(1, 99999);
            gJob.FileCounter += 1;
            StampOutputDate();
        } else {
            lastDuration = 0;
            if (verbose)
                PrintLine("[ERROR] Unable to convert the file!");
            ReportFailure(path, result);
        }
    }
    // A console run ends the process next, which gives everything back at once.
    if (gJob.CommandLineRun != 1)
        ReleasePictureHeap();
    std::lock_guard lock(gRunMutex);
    gProgress.ConvertedCount = converted;
}

BatchOutcome BatchDriver(bool quiet) {
    bool debugMode = gJob.RunMode == "DEBUG";
    Listing debug(debugMode);
    if (!quiet)
        PrintLine(CatalogueText("General", "Preparing"));

    Error error = Validate(debug);
    if (!error.empty()) {
        PrintLine("Error: " + error);
        FreeLoadedWatermarkFont();
        return BatchOutcome::InvalidSettings;
    }
    ResolveOutput();

    if (!quiet)
        PrintLine(CatalogueText("General", "Importing"));
    int32_t imported = 0;
    if (gJob.InputFolder.empty()) {
        std::string extension = ToLower(ExtensionOf(gJob.InputFile));
        if (extension != "txt" && extension != "lst")
            imported = AddInputFile(gJob.InputFile);
    }
    gProgress.ConvertedCount = imported;
    if (!quiet)
        PrintLine(FillTemplate(Msg("Import complete"), std::to_string(imported)));
    if (imported == 0) {
        PrintLine(Msg("Conversion is not complete"));
        PrintLine(Msg("Empty input files"));
        FreeLoadedWatermarkFont();
        return BatchOutcome::NothingConverted;
    }

    if (!quiet)
        PrintLine(CatalogueText("General", "Converting"));
    {
        std::lock_guard lock(gRunMutex);
        gProgress.CurrentIndex = 0;
        gProgress.CurrentFile.clear();
        gProgress.ConvertedCount = 0;
        gProgress.Running = 1;
    }
    std::thread worker(ConversionWorker);
    worker.join();

    int32_t converted;
    {
        std::lock_guard lock(gRunMutex);
        converted = gProgress.ConvertedCount;
    }
    if (converted > 0 && !quiet) {
        PrintLine(Msg("Conversion complete"));
        PrintLine(FillTemplate(Msg("Files converted"), std::to_string(converted),
                               std::to_string(imported)));
    } else if (converted == 0) {
        PrintLine(Msg("Conversion is not complete"));
    }
    FreeLoadedWatermarkFont();
    return converted > 0 ? BatchOutcome::Converted : BatchOutcome::NothingConverted;
}

} // namespace velmora
