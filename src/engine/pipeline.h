// The road of one file: load, transform, convert the depth, keep metadata and
// resolution, name and save. The codec work it calls on is in picture_files.h.
#pragma once

#include "engine/file_result.h"
#include "engine/picture_files.h"
#include "engine/prepare_run.h"
#include "settings/settings.h"

#include <cstdint>
#include <functional>
#include <string>

namespace velmora {

// One file of a run and what its name may hold besides its own facts.
struct FileJob {
    std::string inputFile;
    // The file's folder below the run's input folder; "" for a file given by itself.
    std::string relativeSubfolder;
    const RunPlan& plan;
    // The run's numbers as this file's name reads them (%rnd%, %n%).
    int32_t randomNumber = 1;
    int32_t fileCounter = 1;
    // Asked between the stages: once true, the file is abandoned at the next one and an
    // earlier output of its name stays as it was.
    StopRequested stopped = {};
    // Told each stage the file reaches after decoding (the steps, the save).
    std::function<void(FileStage)> reached = {};
};

// Converts the file by the settings. A file that is not written says at which stage and why.
FileResult ConvertOneFile(const FileJob& job, const Settings& settings);

} // namespace velmora
