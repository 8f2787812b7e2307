// Byte-level repairs that let FreeImage 3.18, as Debian builds it, read picture files it
// would refuse or mis-read. Each works on a copy of the file in memory.
#pragma once

#include <string>

namespace velmora {

// FreeImage takes only the 40-byte BMP info header: V4 and V5 headers (ImageMagick's
// default), their V2/V3 forms and OS/2 2.x headers are rewritten to it, with the colour
// masks behind it where FreeImage reads them. An RLE8 stream whose last row ends in an
// end-of-line before the end-of-bitmap mark (as ImageMagick and others write it) fails in
// FreeImage; that end-of-line becomes the end-of-bitmap. False for a BMP FreeImage would
// decode in the wrong colours: channel masks other than the standard 5-5-5, 5-6-5 and
// 8-8-8(-8) ones.
bool RepairBmpForFreeImage(std::string& bytes);

// FreeImage reads a TIFF's ICC profile after freeing it when the file also has an EXIF or
// GPS directory (it reads that directory in between). The first directory's pointers to
// them are renamed to private tags FreeImage passes over; the picture is unchanged.
void HideTiffExifDirectories(std::string& bytes);

} // namespace velmora
