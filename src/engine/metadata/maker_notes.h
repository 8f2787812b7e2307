// Exposure tags the camera recorded only in its maker note. Many cameras keep the ISO speed,
// the exposure compensation, the metering mode, the lens and the body's serial number in
// their own notes, which no TIFF reader decodes once the note stays behind; the EXIF tags
// that say the same are made from them, where the EXIF lacks them.
#pragma once

#include <FreeImage.h>

#include <exiv2/exiv2.hpp>

namespace velmora {

// Adds to exif, where it has none of its own, Exif.Photo.ISOSpeedRatings, ExposureBiasValue,
// MeteringMode, the lens range (0xA432), LensModel and BodySerialNumber from a DNG's own lens and
// serial tags and the maker notes exiv2 decodes in it, then from what LibRaw read of the
// camera file (carried by holder). Values
// the maker note holds as rationals keep their fraction; coded ones become the exact
// fraction they code (Canon's thirds of a stop), and LibRaw's numbers the fraction of their
// decimal.
void AddTagsFromMakerNotes(Exiv2::ExifData& exif, FIBITMAP* holder);

// Canon's exposure values: 32 steps per stop, with thirds of a stop coded as 12 and 20; as a
// fraction of stops.
Exiv2::Rational CanonStops(int value);

} // namespace velmora
