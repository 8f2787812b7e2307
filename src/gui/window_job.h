// The job the main window fills before a conversion: its one input file, the accept test,
// and the run it prepares from the window's output folder and format.
#pragma once

#include "engine/prepare_run.h"

#include <optional>
#include <string>
#include <variant>

namespace velmora {

// Command New: project name back to "untitled.vlm", no input file, no folders.
void ResetWindowJob();

// An existing, non-empty file whose lower-case extension is an accepted input extension
// becomes the one entry of the job's input set. A refused file changes nothing.
bool AcceptInputFile(const std::string& path);

// Why a conversion cannot start: a key of the catalogue's "Msg" group and the text its
// template is filled with.
struct StartRefusal {
    std::string messageKey;
    std::string argument;
};

// The window's run: the checks PrepareRun makes for the window, in its order, with the
// output folder (given a trailing "/" in the plan) and the format the window shows. A text
// watermark's font stays loaded for the run.
std::variant<RunPlan, StartRefusal> PrepareWindowRun(const std::string& outputFolder,
                                                     const std::string& formatKeyword);

} // namespace velmora
