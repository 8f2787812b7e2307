// What the written TIFF says of itself: the program that wrote it and when (IFD0 Software and
// DateTime; the shot's own dates stay), its format, a new identity in its XMP, the document it
// was derived from, and the source's history with one more step. A raw developer's settings
// (Camera Raw's, darktable's history, other developers' edit stacks) describe work still to
// be done on the camera file; an editor that honoured them would apply them again to pixels
// already rendered, so they stay behind.
#pragma once

#include <exiv2/exiv2.hpp>

#include <string>

namespace velmora {

// The program as the written file names it.
const char* SoftwareName();

// True for an XMP property that holds a raw developer's settings or the source file's own
// digests of its tags.
bool IsDevelopSetting(const Exiv2::Xmpdatum& datum);

// Sets the written file's identity into exif (first directory) and xmp, which holds the
// source's properties; sourceFormat is the source's media type.
void DescribeWrittenFile(Exiv2::ExifData& exif, Exiv2::XmpData& xmp,
                         const std::string& sourceFormat);

} // namespace velmora
