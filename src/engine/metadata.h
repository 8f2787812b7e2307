// Descriptive metadata for the written TIFF. FreeImage writes none into TIFF here, so the
// tags the source carried (camera, lens, exposure, dates, GPS, authorship, XMP, IPTC) are
// written after the save, and nothing that describes the source file's own structure.
#pragma once

#include <FreeImage.h>

#include <string>

namespace velmora {

struct WrittenPicture {
    std::string path; // the freshly saved TIFF
    int width = 0;
    int height = 0;
};

// Writes into picture.path what holder carries (the metadata FreeImage loaded with the
// picture), completed by what the source file itself holds. Orientation becomes 1 and
// the pixel dimensions those of the written picture; the file's resolution stays.
// False when the file could not be updated; it may then no longer be a valid TIFF.
bool WriteDescriptiveMetadata(const WrittenPicture& picture, const std::string& sourcePath,
                              FIBITMAP* holder);

// True when libtiff can read every directory of the file.
bool IsReadableTiff(const std::string& path);

} // namespace velmora
