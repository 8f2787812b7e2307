#include "e2e/tiff_reader.h"

#include <tiffio.h>

#include <fstream>
#include <iterator>

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

std::string ReadTiffPixels(const std::string& path) {
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff)
        return {};
    uint32_t height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::string all, row(static_cast<size_t>(TIFFScanlineSize(tiff)), '\0');
    for (uint32_t y = 0; y < height && TIFFReadScanline(tiff, row.data(), y) == 1; ++y)
        all += row;
    TIFFClose(tiff);
    return all;
}

std::set<unsigned> ReadTiffTags(const std::string& path) {
    std::set<unsigned> tags;
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto number = [&](size_t at, int size) {
        uint32_t value = 0;
        for (int i = size - 1; at + size <= bytes.size() && i >= 0; --i)
            value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
        return value;
    };
    if (bytes.compare(0, 2, "II") != 0) // the program writes little-endian classic TIFFs
        return tags;
    const size_t directory = number(4, 4);
    for (size_t i = 0, count = number(directory, 2); i < count; ++i)
        tags.insert(number(directory + 2 + 12 * i, 2));
    return tags;
}

} // namespace velmora::testing
