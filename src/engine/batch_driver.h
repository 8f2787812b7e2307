// The batch driver validates a run, lists its settings in debug mode, imports the input
// and converts it on one worker thread; the worker also serves the graphical face.
#pragma once

#include <string>

namespace velmora {

enum class BatchOutcome {
    Converted,        // at least one file written
    InvalidSettings,  // an "Error: " line ended the run
    NothingConverted, // the run went ahead but no file was written
};

// Resets gJob for a new process: program folder, random number, counters, input map.
void InitConversionJob();
BatchOutcome BatchDriver(bool quiet);
// Converts every entry of gInputFileMap while gProgress.Running is set.
void ConversionWorker();
// 1 when the file was added to gInputFileMap, 0 when refused or already there.
int AddInputFile(const std::string& path);

} // namespace velmora
