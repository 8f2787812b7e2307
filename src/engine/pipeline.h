// The road of one file: load, transform, convert the depth, keep metadata and
// resolution, name and save. The codec work it calls on is in picture_files.h.
#pragma once

#include "engine/picture_files.h"

namespace velmora {

// Converts gJob.InputFile by the run's settings; true when the output file was written.
bool ConvertOneFile();

} // namespace velmora
