#include "e2e/tiff_reader.h"

#include <tiffio.h>

namespace velmora::testing {

std::optional<TiffFacts> ReadTiffFacts(const std::string& path) {
    TIFFSetWarningHandler(nullptr);
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff)
        return std::nullopt;
    TiffFacts facts;
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0, compression = 0, photometric = 0, unit = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &facts.xResolution);
    TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &facts.yResolution);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    facts.width = width, facts.height = height;
    facts.bitsPerSample = bits, facts.samplesPerPixel = samples;
    facts.compression = compression, facts.photometric = photometric;
    facts.resolutionUnit = unit;
    do {
        ++facts.directories;
    } while (TIFFReadDirectory(tiff));
    TIFFClose(tiff);
    return facts;
}

} // namespace velmora::testing
