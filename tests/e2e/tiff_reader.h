// Reads back what a written TIFF file says about itself, through libtiff.
#pragma once

#include <optional>
#include <set>
#include <string>

namespace velmora::testing {

struct TiffFacts {
    unsigned width = 0, height = 0;
    unsigned bitsPerSample = 0, samplesPerPixel = 0;
    unsigned compression = 0, photometric = 0;
    float xResolution = 0, yResolution = 0;
    unsigned resolutionUnit = 0;
    int directories = 0;
};

std::optional<TiffFacts> ReadTiffFacts(const std::string& path);

// Every row of the first directory as libtiff decodes it ("" when it cannot), and the tags
// that directory holds.
std::string ReadTiffPixels(const std::string& path);
std::set<unsigned> ReadTiffTags(const std::string& path);

} // namespace velmora::testing
