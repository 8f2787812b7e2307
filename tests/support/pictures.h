// Small pictures made by hand for the image tests: synthetic bitmaps, pixel reading with
// rows counted from the top as a viewer sees them, and JPEG files with a hand-built EXIF
// segment.
#pragma once

#include "imageops/picture.h"

#include <FreeImage.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace velmora::testing {

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgb& colour);
// True when every channel differs by at most tolerance (JPEG is lossy).
bool Near(const Rgb& a, const Rgb& b, int tolerance);

// A 24-bit picture whose pixel at column x, row y (0 = top) is colourAt(x, y).
Picture MakePicture(int width, int height, const std::function<Rgb(int x, int y)>& colourAt);

// Pixel of a standard bitmap of 1, 4, 8 (through its palette), 16, 24 or 32 bits; y = 0 is
// the top row.
Rgb PixelAt(FIBITMAP* picture, int x, int y);
// Every byte of every row (without the row padding), for comparing pictures exactly.
std::string PixelBytes(FIBITMAP* picture);
// Pixels of FIT_RGB16 and FIT_RGBF pictures; y = 0 is the top row.
FIRGB16 Pixel16At(FIBITMAP* picture, int x, int y);
FIRGBF PixelFAt(FIBITMAP* picture, int x, int y);

// IFD0 tags of a hand-built EXIF segment; a zero or empty field leaves its tag out.
struct ExifFields {
    std::string make;
    int orientation = 0;
    uint32_t xResolution[2] = {0, 0}; // numerator, denominator
    uint32_t yResolution[2] = {0, 0};
    int resolutionUnit = 0; // 2 inch, 3 centimetre
};

// The whole APP1 marker segment ("FF E1", length, "Exif\0\0", little-endian TIFF data).
std::string ExifSegment(const ExifFields& fields);
// A baseline JPEG of picture (quality 100, no chroma subsampling); with exif, its APP1
// segment comes right after the start-of-image marker.
std::string EncodeJpeg(FIBITMAP* picture, const ExifFields* exif = nullptr);

// A TIFF the program wrote, read back with FreeImage. FreeImage 3.18 reads the ICC profile of
// a TIFF after freeing it when the file also has an EXIF directory, and written files have
// both; the copy read here has its EXIF pointer hidden (HideTiffExifDirectories).
Picture LoadWrittenTiff(const std::string& path, int flags = 0);

// Bytes no decoder recognises: pseudo-random, never starting with a known signature byte.
std::string NoiseBytes(size_t count, uint32_t seed);

} // namespace velmora::testing
