// Writes small synthetic camera RAW files (DNG) with a known scene, so that tests and demos
// do not depend on files from real cameras.
//
// Layout: directory 0 is the JPEG preview (NewSubFileType 1) carrying the descriptive tags and
// pointing through SubIFDs at the raw directory (NewSubFileType 0: 16-bit RGGB mosaic,
// uncompressed, one strip). Without a preview, directory 0 is the raw image itself. Both
// layouts point at an EXIF directory with the capture settings. The preview JPEG carries its
// own EXIF block (resolution, make, model, capture settings): FreeImage reads a RAW file's
// metadata from the preview, in every load mode, so a file without a preview shows none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::dng {

struct DngOptions {
    int width = 640, height = 428; // mosaic size in pixels, even
    bool embedPreview = true;      // a JPEG preview LibRaw can extract
    int previewWidth = 0;          // 0: half the raw width; the height keeps the aspect
    double xResolutionDpi = 300, yResolutionDpi = 300;
    std::string make = "Velmora", model = "Test Camera";
    std::string dateTimeOriginal = "2024:05:17 10:30:00"; // EXIF form "YYYY:MM:DD HH:MM:SS"
    double exposureTime = 1.0 / 125;                      // seconds
    int iso = 200;
    double fNumber = 5.6;
    int orientation = 1; // TIFF orientation, 1..8
    uint32_t seed = 1;   // varies the background and the sensor noise
};

// Sizes and levels of the raw data.
inline constexpr int kMinSide = 32;
inline constexpr int kMaxSide = 16384;
inline constexpr uint16_t kBlackLevel = 512;
inline constexpr uint16_t kWhiteLevel = 16383;

// A solid area of the scene, in mosaic pixels (even positions and sizes, so it covers whole
// 2x2 colour cells), and its colour: linear, white-balanced, 1.0 being the white level.
struct ScenePatch {
    std::string name;
    int left = 0, top = 0, width = 0, height = 0;
    double red = 0, green = 0, blue = 0;
};

// The solid patches of the scene at a given size: colour patches and a white square on top of
// smooth colour gradients. The same layout, scaled, is drawn in the preview.
std::vector<ScenePatch> ScenePatches(int width, int height);

// Why the options cannot be written, or "" when they can.
std::string CheckOptions(const DngOptions& options);

// The preview's size for these options (0 x 0 without a preview).
struct Size {
    int width = 0, height = 0;
};
Size PreviewSize(const DngOptions& options);

// The file's bytes; the same options always give the same bytes. Throws std::invalid_argument
// when CheckOptions complains.
std::string BuildDng(const DngOptions& options);

// Builds and writes the file; on failure returns false and says why in *error when given.
bool WriteDng(const std::string& path, const DngOptions& options, std::string* error = nullptr);

} // namespace velmora::dng
