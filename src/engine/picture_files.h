// The codec side of a conversion: loading the input by the loaders in turn, the load and
// save flags of each format, the output depth, the resolution, and the atomic save.
#pragma once

#include "engine/camera_raw.h"
#include "engine/file_result.h"
#include "engine/source_color.h"
#include "engine/tiff_writer.h"
#include "imageops/picture.h"
#include "imageops/raw_bits.h"
#include "settings/keywords.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

struct Settings;

// The camera RAW decoder's mode for a RawLoadAs choice.
RawMode CameraRawModeFor(RawLoadAs loadAs);
// Save flags of an output format keyword.
int SaveFlagsFor(std::string_view outputFormat, const Settings& settings);

struct LoadRequest {
    // Which loaders are tried: headerless bits first for Bits8 and Bits16, and the camera RAW
    // decoder's mode.
    RawLoadAs loadAs = RawLoadAs::Auto;
    RawBitsLayout rawBits; // the size the user gave headerless bits
    // A camera decode may leave its rows as LibRaw made them (see LoadCameraRaw), for a
    // picture that goes to the strip writer unchanged.
    bool rowsMayStayAsDecoded = false;
};
LoadRequest LoadRequestFrom(const Settings& settings);

// Loads the input in this order: headerless bits when asked for, the camera RAW decoder, a
// JPEG decode turned by its EXIF orientation, and headerless 16-bit bits as the last resort
// for files named as headerless dumps or given a pixel size. origin, when given, tells
// which; whenRawDataGone and stopped go to the camera RAW decoder (LoadCameraRaw). With no
// picture, *why (when given) says why in plain words. *rows, when given, tells where the
// picture's rows lie.
Picture LoadInputPicture(const std::string& path, const LoadRequest& request,
                         PictureOrigin* origin = nullptr,
                         const std::function<void()>& whenRawDataGone = {},
                         const StopRequested& stopped = {}, std::string* why = nullptr,
                         RowOrder* rows = nullptr);

// The smallest allowed depth of the format not below the source depth; the largest
// allowed one when all are below it.
int32_t AutoDepth(std::string_view outputFormat, int32_t sourceBpp);
// The depth a file is written at: the requested one, or AutoDepth's when it is 0.
int32_t OutputDepthFor(std::string_view outputFormat, int32_t requestedDepth, int32_t sourceBpp);
// The picture at depth for the format; no picture when that depth is not one FreeImage can
// make.
Picture ConvertToOutputDepth(Picture picture, int32_t depth, std::string_view outputFormat);

struct Resolution {
    int32_t dotsPerMeterX = 0;
    int32_t dotsPerMeterY = 0;
};
// The picture's resolution, taken from its EXIF X/YResolution when it carries them.
Resolution ReadResolution(FIBITMAP* picture);
void WriteResolution(FIBITMAP* picture, Resolution resolution);

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b);

// What a save came to; reason says why in plain words when it failed.
struct SaveOutcome {
    bool saved = false;
    std::string reason;
    explicit operator bool() const { return saved; }
};

// Saves through a temporary file beside path that replaces path only once the encoder
// reported success and finish (when given) accepted the temporary file; a failed or stopped
// save leaves an earlier file of that name untouched and no temporary file behind. threads
// compress a TIFF's strips (0: one per core, see StripThreads). rows tells where the
// picture's rows lie: only the strip writer reads them as a decoder left them.
using FinishSavedFile = std::function<bool(const std::string& temporaryPath)>;
SaveOutcome SavePictureAtomically(FIBITMAP* picture, int fif, const std::string& path, int flags,
                                  const FinishSavedFile& finish = {},
                                  const StopRequested& stopped = {}, int threads = 0,
                                  RowOrder rows = RowOrder::FreeImage);
// Saves straight to path: the common TIFFs by our own strip writer, everything else by
// FreeImage; false when the encoder or the file failed.
SaveOutcome SaveToFileChecked(FIBITMAP* picture, int fif, const std::string& path, int flags,
                              const StopRequested& stopped = {}, int threads = 0,
                              RowOrder rows = RowOrder::FreeImage);

// Routes FreeImage's and libtiff's own messages away from the console.
void SilenceLibraryMessages();

} // namespace velmora
