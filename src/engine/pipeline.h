// The road of one file: load, transform, convert the depth, keep metadata and
// resolution, name and save.
#pragma once

#include "engine/source_color.h"
#include "imageops/picture.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

// Converts gJob.InputFile; true when the output file was written.
bool ConvertOneFile();

// Load flags of an input group ("raw", "psd"; anything else gives 0).
int LoadFlagsFor(std::string_view inputGroup);
// Save flags of an output format keyword.
int SaveFlagsFor(std::string_view outputFormat);
// The smallest allowed depth of the format not below the source depth; the largest
// allowed one when all are below it.
int32_t AutoDepth(std::string_view outputFormat, int32_t sourceBpp);
// The picture at gJob.OutputBpp (resolved from the source depth when automatic);
// no picture when that depth is not one FreeImage can make.
Picture ConvertToOutputDepth(Picture picture);

// Loads the input in the pipeline's order: headerless bits when asked for, the camera
// RAW decoder, a JPEG decode turned by its EXIF orientation, and headerless 16-bit bits
// as the last resort for files named as headerless dumps. origin, when given, tells which;
// whenRawDataGone goes to the camera RAW decoder (LoadCameraRaw).
Picture LoadInputPicture(const std::string& path, PictureOrigin* origin = nullptr,
                         const std::function<void()>& whenRawDataGone = {});

struct Resolution {
    int32_t dotsPerMeterX = 0;
    int32_t dotsPerMeterY = 0;
};
// The picture's resolution, taken from its EXIF X/YResolution when it carries them.
Resolution ReadResolution(FIBITMAP* picture);

// Saves through a temporary file beside path that replaces path only once the encoder
// reported success and finish (when given) accepted the temporary file; a failed save
// leaves an earlier file of that name untouched and no temporary file behind.
using FinishSavedFile = std::function<bool(const std::string& temporaryPath)>;
bool SavePictureAtomically(FIBITMAP* picture, int fif, const std::string& path, int flags,
                           const FinishSavedFile& finish = {});

// Routes FreeImage's and libtiff's own messages away from the console.
void SilenceLibraryMessages();

} // namespace velmora
