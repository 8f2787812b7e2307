// The road of one file: load, transform, convert the depth, keep metadata and
// resolution, name and save. The codec work it calls on is in picture_files.h.
#pragma once

#include "engine/file_result.h"
#include "engine/picture_files.h"

namespace velmora {

// Converts gJob.InputFile by the run's settings. A file that is not written says at which
// stage and why; a stop (gProgress.Running cleared) abandons the file at the next stage
// and leaves an earlier output of its name as it was.
FileResult ConvertOneFile();

} // namespace velmora
