// Before a run: the checks of its settings, the output folder rule, and what the run converts
// into. The console's batch driver and the window both call PrepareRun; each face has its
// own order of the checks and its own way of telling a refusal, nothing else of its own.
#pragma once

#include "settings/setting_table.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Who starts the run. The console checks what the user typed and lists it in debug mode; the
// window's input is the one file of its list, its output folder must be chosen, and its
// controls hold no value the console would refuse.
enum class RunFace { Console, Window };

struct RunRequest {
    RunFace face = RunFace::Console;
    // The console's input as typed (-i); the window's is in gInputFileMap already.
    std::string input = {};
    // As typed or chosen. The console takes an empty one as the input's folder and a relative
    // one as below programFolder.
    std::string outputFolder = {};
    // The output format keyword; empty for the first the product offers.
    std::string conversionType = {};
    std::string programFolder = {};
    // The debug listing's lines, for a console run in debug mode.
    std::function<void(const std::string& line)> listing = {};
};

// What the run converts into, for every file of it.
struct RunPlan {
    RunFace face = RunFace::Console;
    // The console's input file after its checks; the window's files are in gInputFileMap.
    std::string inputFile = {};
    std::string inputGroup = {};     // "raw"
    std::string outputFolder = {};   // absolute for the console, ending in "/"
    std::string conversionType = {}; // "tiff"
    int outputFif = 0;
    // The format's depth setting; 0: each file is written at the depth its source calls for.
    int32_t requestedBpp = 0;
    int saveFlags = 0;
};

// The check a run failed, and what it was about (the folder, the font, the file).
enum class RunCheck {
    InputFile,           // console: not a file, no extension, empty
    NoInputFiles,        // window: nothing in the list
    EmptyOutputFolder,   // window: no folder given
    OutputFolderAbove,   // console: a folder beginning with ".."
    OutputFolder,        // not a folder this user can write into
    ConversionType,      // not a format the product writes
    Depth,               // a depth the format does not have
    CmykProfile,         // not a CMYK printer profile
    Quality,             // a JPEG or WebP quality of 0
    Threads,             // a negative count of threads
    Setting,             // a value the setting's row refuses (width 0, brightness 101)
    WatermarkFont,       // a font that cannot be loaded
    EmptyWatermarkImage, // window: no watermark picture named
    WatermarkImage,      // a watermark picture that cannot be decoded
};

struct RunRefusal {
    RunCheck check;
    std::string subject;
    const SettingSpec* setting = nullptr; // for RunCheck::Setting
};

struct PreparedRun {
    RunPlan plan;
    std::optional<RunRefusal> refusal;
    explicit operator bool() const { return !refusal; }
};

// Checks the settings for the run in the face's order and works out its plan; the first
// refusal ends the checks. A text watermark's font stays loaded for the run (and after a
// refusal: FreeRunResources gives it back).
PreparedRun PrepareRun(const Settings& settings, const RunRequest& request);
// Gives back what PrepareRun loaded for the run: the text watermark's font.
void FreeRunResources(const Settings& settings);

// The console's text of a refusal, printed after "Error: ".
std::string ConsoleRefusalText(const RunRefusal& refusal);

} // namespace velmora
