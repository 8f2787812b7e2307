// The process-wide records: Settings (every user choice), ConversionJob (the run being
// made) and ConversionProgress (what the worker is doing, shared under the run mutex).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace velmora {

// Every user choice. The fields have no defaults here: each setting's default is in its row of
// the setting table (settings/setting_table.cpp), which DefaultSettings and SettingsDefaults
// walk; a record made otherwise holds zeros and empty texts.
struct Settings {
    // Interface and file state
    std::string ConfigPath;
    int32_t CfgVersion{};
    std::string Language;
    int32_t UpdateRange{};
    int32_t UpdateDate{};
    int8_t SaveWindowPosition{};
    int8_t IsMaximized{};
    int32_t WindowX{}, WindowY{};
    int32_t WindowWidth{}, WindowHeight{};
    std::string UiTheme;
    int32_t UiSize{};

    // Input
    std::string InputFormat;
    int32_t DdsLoadAs{};
    int32_t GifFrameLoading{};
    int32_t IcoFrameLoading{};
    int32_t TiffFrameLoading{};
    int32_t PsdColorMode{};
    int32_t RawLoadAs{};
    int32_t RawHeaderSize{};
    int32_t RawImageWidth{};
    int32_t RawImageHeight{};
    int32_t RawToneMapping{};

    // Output
    std::string OutputFormat;
    int32_t BmpBpp{};
    int32_t BmpCompression{};
    int32_t BmpColorTable{};
    int32_t DdsBpp{};
    int32_t ExrBpp{};
    int32_t ExrCompression{};
    int32_t GifBpp{};
    int32_t HdrBpp{};
    int32_t IcoBpp{};
    int32_t J2kBpp{};
    int32_t JngBpp{};
    int32_t Jp2Bpp{};
    int32_t JpgBpp{};
    int32_t JpgQuality{};
    int32_t JpgChroma{};
    int32_t JpgSaveAs{};
    int32_t JxrBpp{};
    int32_t PbmBpp{};
    int32_t PcxBpp{};
    int32_t PfmBpp{};
    int32_t PgmBpp{};
    int32_t PngBpp{};
    int32_t PngCompression{};
    int8_t PngInterlaced{};
    int32_t PpmBpp{};
    int32_t PsdBpp{};
    int32_t TgaBpp{};
    int32_t TgaCompression{};
    int32_t TiffBpp{};
    int32_t TiffCompression{};
    int32_t TiffColorMode{};
    // A CMYK printer profile's file for CMYK output; empty: the built-in separation.
    std::string CmykProfile;
    // Threads that compress a TIFF's strips; 0 for one per core (at most VELMORA_THREADS).
    int32_t SaveThreads{};
    int32_t WbmpBpp{};
    int32_t WebpBpp{};
    int32_t WebpQuality{};
    int32_t XpmBpp{};

    // Transform
    int8_t DoImageRotation{};
    int8_t ImageRotationType{};
    int32_t ImageRotation{};
    std::string ImageRotationBackColor;
    int8_t DoImageResize{};
    int32_t ImageWidth{};
    int8_t ImageWidthUnit{};
    int32_t ImageHeight{};
    int8_t ImageHeightUnit{};
    int8_t KeepAspectRatio{};
    int8_t ImageResizeType{};
    int8_t ImageResizeAlgorithm{};
    int8_t DoImageFlipHorizontal{};
    int8_t DoImageFlipVertical{};

    // Adjustment
    int8_t DoImageColorCorrection{};
    int32_t ImageBrightness{};
    int32_t ImageContrast{};
    float ImageGamma{};
    int8_t ImageInvert{};
    int8_t DoImageGreyscale{};
    int8_t DoImageThreshold{};
    int32_t ImageThreshold{};
    int8_t DoImageDither{};
    int8_t ImageDitherAlgorithm{};

    // Frame
    int8_t DoFrame{};
    int32_t SolidLeft{}, SolidRight{}, SolidTop{}, SolidBottom{};
    std::string SolidLeftColor, SolidRightColor;
    std::string SolidTopColor, SolidBottomColor;
    int32_t SolidOpacity{};

    // Watermark
    int8_t DoWatermark{};
    std::string WatermarkText;
    std::string FontList;
    std::string FontName;
    int32_t FontSize{};
    int32_t FontLeading{};
    std::string FontColors;
    std::string FontColor;
    int8_t FontStyle{};
    int8_t FontEffect{};
    int8_t TextAntialiasing{};
    int8_t TextAlignment{};
    int32_t TextPadding{};
    int32_t TextOpacity{};
    std::string BackColors;
    std::string BackColor;
    int32_t BackOpacity{};
    int8_t TextBoundary{};
    int8_t TextPosition{};
    int32_t TextXOffset{}, TextYOffset{};
    int32_t TextRotation{};
    int8_t TextSize{};
    int32_t TextScale{};
    std::string WatermarkImage;
    int8_t ImageGreyscale{};
    int32_t ImageOpacity{};
    int8_t ImageBoundary{};
    int8_t ImagePosition{};
    int32_t ImageXOffset{}, ImageYOffset{};
    int32_t WatermarkImageRotation{};
    int8_t ImageSize{};
    int32_t ImageScale{};

    // Naming and list state
    std::string FilenameMask;
    int8_t FileTimestamp{};
    int32_t CustomTimestamp{};
    int8_t OutFoldersHistory{};
    int8_t OutFoldersNumber{};
    int8_t KeepSubfolders{};
    std::string CsvDelimiter;
    std::string RecentOutFolders;
    std::string RecentFiles;
    int8_t CleanRecentFiles{};
};

// The job across runs: what the command line asked for and the window's own state, and the
// two numbers a file's name may hold, which go on from file to file. A file's own inputs and
// a run's plan are handed to the worker and the pipeline (engine/prepare_run.h,
// engine/pipeline.h), not kept here.
struct ConversionJob {
    std::string ProgramFolder;
    std::string ProjectFile = "untitled.vlm";
    // The command line's input (-i) as typed; the window keeps it for its input list.
    std::string InputFolder;
    // The command line's output folder (-o) as typed; the window's output folder field.
    std::string OutputFolder;
    // The command line's output format keyword (-c); the window's chosen format.
    std::string ConversionType;
    // Renewed after every converted file, for %rnd% and %n%.
    int32_t RandomNumber = 1;
    int32_t FileCounter = 1;
    int8_t CommandLineRun = 0;
    std::string RunMode;
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

// A record holding every setting's default. A console run keeps the aspect ratio off.
Settings DefaultSettings(bool consoleRun);
// Sets every gSettings field to its default but ConfigPath, which stays where it was.
void SettingsDefaults(bool consoleRun);

} // namespace velmora
