// The job the main window fills before a conversion: its one input file, the accept test,
// the checks that must pass before the worker starts, and the output it resolves to.
#pragma once

#include <optional>
#include <string>

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

// The checks after the input was taken, in their order: input set, output folder (given
// a trailing "/" here), resize sizes, watermark font or picture. A text watermark's font
// stays loaded for the run.
std::optional<StartRefusal> CheckConversionStart(std::string& outputFolder);

// Output folder, format keyword and what follows from the format for the worker.
void PrepareWindowJob(const std::string& outputFolder, const std::string& formatKeyword);

} // namespace velmora
