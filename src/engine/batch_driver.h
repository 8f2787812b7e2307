// The batch driver prepares a console run (its checks and, in debug mode, its listing),
// imports the input and converts it on one worker thread; the worker also serves the
// graphical face.
#pragma once

#include "engine/prepare_run.h"

#include <string>

namespace velmora {

enum class BatchOutcome {
    Converted,        // at least one file written
    InvalidSettings,  // an "Error: " line ended the run
    NothingConverted, // the run went ahead but no file was written
};

// What the command line asked of a console run.
struct BatchRequest {
    std::string input;          // -i, as typed
    std::string outputFolder;   // -o, as typed
    std::string conversionType; // -c
    std::string programFolder;  // what a relative output folder is taken relative to
    bool debug = false;         // -d: the settings listing and a line per file
    bool quiet = false;         // -q: no status lines
};

// Resets gJob for a new process: program folder, random number, counters, input map.
void InitConversionJob();
BatchOutcome BatchDriver(const BatchRequest& request);
// Converts every entry of gInputFileMap by the plan while gProgress.Running is set. verbose:
// a line per file on the console.
void ConversionWorker(const RunPlan& plan, bool verbose = false);
// 1 when the file was added to gInputFileMap, 0 when refused or already there. Below
// inputFolder, the entry keeps its subfolder of it.
int AddInputFile(const std::string& path, const std::string& inputFolder = {});

} // namespace velmora
