#include "engine/metadata.h"

#include "platform/library_loader.h"

#include <tiffio.h>

#include <future>

namespace velmora {
namespace {

constexpr const char* kMetadataLibrary = "libvelmora-metadata.so";
constexpr const char* kEntrySymbol = "VelmoraMetadataWriter";

// Opened by the first reading thread that needs it, once per process. The writer links
// FreeImage, and opening it bound at once would bind FreeImage's 28 libraries with it, which
// costs milliseconds; so the program's own loader of FreeImage, where the process has one
// (src/cli/entry/freeimage_on_demand.cpp), opens FreeImage first, bound lazily and silenced.
const MetadataWriter* MetadataWriterLibrary() {
    static LibraryLoader library([] {
        LibraryDescription description = ProgramLibrary(
            kMetadataLibrary, kEntrySymbol, "VelmoraMetadataWriterAbi", kMetadataWriterAbi);
        description.opensFirst = {kFreeImageLibraryName};
        return description;
    }());
    static const MetadataWriter* const writer =
        ProgramLibraryTable<MetadataWriter>(library, kEntrySymbol);
    return writer;
}

} // namespace

PendingMetadata::PendingMetadata(const std::string& sourcePath) {
    reading_ = std::async(std::launch::async, [sourcePath] {
        Read read;
        read.writer = MetadataWriterLibrary();
        if (read.writer)
            read.source = read.writer->readSource(sourcePath);
        return read;
    });
}

PendingMetadata::~PendingMetadata() {
    const Read& read = waitForRead();
    if (read.writer && read.source)
        read.writer->freeSource(read.source);
}

const PendingMetadata::Read& PendingMetadata::waitForRead() {
    if (reading_.valid())
        read_ = reading_.get();
    return read_;
}

bool PendingMetadata::writeInto(const WrittenPicture& picture, FIBITMAP* holder) {
    const Read& read = waitForRead();
    return read.writer && read.writer->write(picture, read.source, holder);
}

ExifColorDeclaration PendingMetadata::declaredColor() {
    const Read& read = waitForRead();
    ExifColorDeclaration declaration;
    if (read.writer && read.source)
        read.writer->declaredColor(read.source, &declaration);
    return declaration;
}

bool IsReadableTiff(const std::string& path) {
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff)
        return false;
    // The last strip of the picture is where a cut-short rewrite would show.
    bool readable = false;
    tmsize_t stripSize = TIFFStripSize(tiff);
    uint32_t strips = TIFFNumberOfStrips(tiff);
    if (stripSize > 0 && strips > 0) {
        std::string strip(static_cast<size_t>(stripSize), '\0');
        readable = TIFFReadEncodedStrip(tiff, strips - 1, strip.data(), stripSize) > 0;
    }
    TIFFClose(tiff);
    return readable;
}

} // namespace velmora
