// Descriptive metadata for the written TIFF. FreeImage writes none into TIFF here, so the
// tags the source carried (camera, lens, exposure, dates, GPS, authorship, XMP, IPTC) are
// written after the save, and nothing that describes the source file's own structure.
// The writer lives in libvelmora-metadata.so beside the executable: exiv2 takes longer to
// load and set up than the rest of the program's libraries together, so it is opened on a
// thread of its own, and never for a run that writes no TIFF.
#pragma once

#include "engine/source_color.h"

#include <FreeImage.h>

#include <future>
#include <string>

namespace velmora {

struct WrittenPicture {
    std::string path; // the freshly saved TIFF
    int width = 0;
    int height = 0;
    uint16_t exifColorSpace = 0xFFFF; // agrees with the profile the picture carries
};

// What LibRaw read of a camera file beyond its EXIF (from maker notes it decodes), carried
// with the picture's metadata as FIMD_CUSTOM texts under these keys. Numbers are decimals;
// the lens range is "shortest longest aperture-at-shortest aperture-at-longest" in mm and f.
inline constexpr const char* kCameraIsoKey = "CameraIsoSpeed";
inline constexpr const char* kCameraSerialKey = "CameraBodySerial";
inline constexpr const char* kCameraLensKey = "CameraLens";
inline constexpr const char* kCameraLensRangeKey = "CameraLensRange";

// What exiv2 read from a source file; only the library looks inside.
struct SourceMetadata;

// The metadata library's interface as this program was built with it: raised whenever
// MetadataWriter or what the library takes from the executable changes.
inline constexpr int kMetadataWriterAbi = 1;

struct MetadataWriter {
    SourceMetadata* (*readSource)(const std::string& sourcePath);
    void (*freeSource)(SourceMetadata* source);
    // What the source's EXIF (and its maker note) declares of its colour space.
    void (*declaredColor)(const SourceMetadata* source, ExifColorDeclaration* declaration);
    // Writes into picture.path what the source holds, completed by what holder carries
    // (the metadata FreeImage loaded with the picture, LibRaw's reading of a camera file among
    // it) and by an XMP sidecar beside the source. Orientation becomes 1; the file's
    // resolution and colour profile stay. False when the file could not be updated; it may
    // then no longer be a valid TIFF.
    bool (*write)(const WrittenPicture& picture, SourceMetadata* source, FIBITMAP* holder);
};

// The source's metadata, read on a thread of its own from construction on (the thread opens
// the library first, once per process), so that the reading can overlap the decoding.
class PendingMetadata {
public:
    explicit PendingMetadata(const std::string& sourcePath);
    ~PendingMetadata();
    PendingMetadata(const PendingMetadata&) = delete;
    PendingMetadata& operator=(const PendingMetadata&) = delete;

    // Waits for the read, then writes; false also when the library could not be opened.
    bool writeInto(const WrittenPicture& picture, FIBITMAP* holder);
    // Waits for the read; an empty declaration when the source could not be read.
    ExifColorDeclaration declaredColor();

private:
    struct Read {
        const MetadataWriter* writer = nullptr;
        SourceMetadata* source = nullptr;
    };
    std::future<Read> reading_;
    Read read_;

    const Read& waitForRead();
};

// True when libtiff can read every directory of the file.
bool IsReadableTiff(const std::string& path);

} // namespace velmora

// The library's entry point; the first call also sets exiv2 up.
extern "C" const velmora::MetadataWriter* VelmoraMetadataWriter();
// The kMetadataWriterAbi the library was built with.
extern "C" int VelmoraMetadataWriterAbi();
