// The process-wide records: Settings (every user choice), ConversionJob (the run being
// made) and ConversionProgress (what the worker is doing, shared under the run mutex).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace velmora {

struct Settings {
    // Interface and file state
    std::string ConfigPath;
    int32_t CfgVersion = 19;
    std::string Language = "en";
    int32_t UpdateRange = 2;
    int32_t UpdateDate = 0;
    int8_t SaveWindowPosition = 1;
    int8_t IsMaximized = 0;
    int32_t WindowX = 100, WindowY = 100;
    int32_t WindowWidth = 510, WindowHeight = 260;
    std::string UiTheme = "handdrawn";
    int32_t UiSize = 2;

    // Input
    std::string InputFormat = "raw";
    int32_t DdsLoadAs = 0;
    int32_t GifFrameLoading = 0;
    int32_t IcoFrameLoading = 0;
    int32_t TiffFrameLoading = 0;
    int32_t PsdColorMode = 0;
    int32_t RawLoadAs = 0;
    int32_t RawHeaderSize = 0;
    int32_t RawImageWidth = 0;
    int32_t RawImageHeight = 0;
    int32_t RawToneMapping = 2;

    // Output
    std::string OutputFormat = "tiff";
    int32_t BmpBpp = 0;
    int32_t BmpCompression = 0;
    int32_t BmpColorTable = 0;
    int32_t DdsBpp = 0;
    int32_t ExrBpp = 0;
    int32_t ExrCompression = 0;
    int32_t GifBpp = 0;
    int32_t HdrBpp = 0;
    int32_t IcoBpp = 0;
    int32_t J2kBpp = 0;
    int32_t JngBpp = 0;
    int32_t Jp2Bpp = 0;
    int32_t JpgBpp = 0;
    int32_t JpgQuality = 95;
    int32_t JpgChroma = 0;
    int32_t JpgSaveAs = 0;
    int32_t JxrBpp = 0;
    int32_t PbmBpp = 0;
    int32_t PcxBpp = 0;
    int32_t PfmBpp = 0;
    int32_t PgmBpp = 0;
    int32_t PngBpp = 0;
    int32_t PngCompression = 0;
    int8_t PngInterlaced = 0;
    int32_t PpmBpp = 0;
    int32_t PsdBpp = 0;
    int32_t TgaBpp = 0;
    int32_t TgaCompression = 0;
    int32_t TiffBpp = 0;
    int32_t TiffCompression = 0;
    int32_t TiffColorMode = 0;
    // A CMYK printer profile's file for CMYK output; empty: the built-in separation.
    std::string CmykProfile;
    // Threads that compress a TIFF's strips; 0 for one per core (at most VELMORA_THREADS).
    int32_t SaveThreads = 0;
    int32_t WbmpBpp = 0;
    int32_t WebpBpp = 0;
    int32_t WebpQuality = 100;
    int32_t XpmBpp = 0;

    // Transform
    int8_t DoImageRotation = 0;
    int8_t ImageRotationType = 0;
    int32_t ImageRotation = 0;
    std::string ImageRotationBackColor = "000000";
    int8_t DoImageResize = 0;
    int32_t ImageWidth = 0;
    int8_t ImageWidthUnit = 0;
    int32_t ImageHeight = 0;
    int8_t ImageHeightUnit = 0;
    int8_t KeepAspectRatio = 1;
    int8_t ImageResizeType = 0;
    int8_t ImageResizeAlgorithm = 3;
    int8_t DoImageFlipHorizontal = 0;
    int8_t DoImageFlipVertical = 0;

    // Adjustment
    int8_t DoImageColorCorrection = 0;
    int32_t ImageBrightness = 0;
    int32_t ImageContrast = 0;
    float ImageGamma = 1.0f;
    int8_t ImageInvert = 0;
    int8_t DoImageGreyscale = 0;
    int8_t DoImageThreshold = 0;
    int32_t ImageThreshold = 0;
    int8_t DoImageDither = 0;
    int8_t ImageDitherAlgorithm = 0;

    // Frame
    int8_t DoFrame = 0;
    int32_t SolidLeft = 0, SolidRight = 0, SolidTop = 0, SolidBottom = 0;
    std::string SolidLeftColor = "000000", SolidRightColor = "000000";
    std::string SolidTopColor = "000000", SolidBottomColor = "000000";
    int32_t SolidOpacity = 255;

    // Watermark
    int8_t DoWatermark = 0;
    std::string WatermarkText;
    std::string FontList = "Arial,DejaVu Sans,Liberation Serif";
    std::string FontName = "Arial";
    int32_t FontSize = 14;
    int32_t FontLeading = 0;
    std::string FontColors;
    std::string FontColor = "FFFFFF";
    int8_t FontStyle = 0;
    int8_t FontEffect = 0;
    int8_t TextAntialiasing = 0;
    int8_t TextAlignment = 0;
    int32_t TextPadding = 0;
    int32_t TextOpacity = 255;
    std::string BackColors;
    std::string BackColor = "000000";
    int32_t BackOpacity = 1;
    int8_t TextBoundary = 0;
    int8_t TextPosition = 8;
    int32_t TextXOffset = 10, TextYOffset = 10;
    int32_t TextRotation = 0;
    int8_t TextSize = 0;
    int32_t TextScale = 10;
    std::string WatermarkImage;
    int8_t ImageGreyscale = 0;
    int32_t ImageOpacity = 255;
    int8_t ImageBoundary = 0;
    int8_t ImagePosition = 8;
    int32_t ImageXOffset = 10, ImageYOffset = 10;
    int32_t WatermarkImageRotation = 0;
    int8_t ImageSize = 0;
    int32_t ImageScale = 10;

    // Naming and list state
    std::string FilenameMask = "%filename%.%ext%";
    int8_t FileTimestamp = 0;
    int32_t CustomTimestamp = 0;
    int8_t OutFoldersHistory = 1;
    int8_t OutFoldersNumber = 5;
    int8_t KeepSubfolders = 1;
    std::string CsvDelimiter = ",";
    std::string RecentOutFolders;
    std::string RecentFiles;
    int8_t CleanRecentFiles = 0;
};

struct ConversionJob {
    std::string ProgramFolder;
    std::string ProjectFile = "untitled.vlm";
    std::string InputFile;
    std::string InputFolder;
    std::string RelativeSubfolder;
    std::string OutputFile;
    std::string OutputFolder;
    int32_t RandomNumber = 1;
    int32_t FileCounter = 1;
    std::string InputGroup;
    int32_t SourceBpp = 0;
    int32_t OutputFif = 0;
    std::string ConversionType;
    int32_t OutputBpp = 0;
    int32_t SaveFlags = 0;
    int8_t AutoBpp = 0;
    int8_t CommandLineRun = 0;
    std::string RunMode;
    int32_t ImageWidthAfter = 0, ImageHeightAfter = 0;
    int32_t FrameNumber = 0;
};

// How far the current file has come: decoding, the image steps, saving.
enum FileStage : int8_t { kStageDecode = 0, kStageSteps = 1, kStageSave = 2 };
constexpr int kFileStages = 3;

// A file the worker could not convert, and why in plain words.
struct FileFailure {
    std::string File;
    std::string Reason;
};

struct ConversionProgress {
    int32_t CurrentIndex = 0;
    std::string CurrentFile;
    int64_t LastDuration = 0;
    int32_t ConvertedCount = 0;
    int8_t Running = 0;
    int8_t CurrentStage = kStageDecode;
    std::vector<FileFailure> Failures;
};

// Entry of InputFileMap: the file's folder relative to the job's InputFolder.
struct InputFileEntry {
    int8_t Added = 1;
    std::string RelativeSubfolder;
};

extern Settings gSettings;
extern ConversionJob gJob;
extern ConversionProgress gProgress;
// Keyed by the full input path; the worker visits it in key order.
extern std::map<std::string, InputFileEntry> gInputFileMap;
// The run mutex: guards gProgress while a worker runs.
extern std::mutex gRunMutex;

// The palette both colour lists of the watermark start with.
extern const char* const kDefaultColorPalette;
// The watermark text a fresh settings record carries.
extern const char* const kDefaultWatermarkText;

// Sets every Settings field to its default. A console run keeps the aspect ratio off.
void SettingsDefaults(bool consoleRun);

} // namespace velmora
