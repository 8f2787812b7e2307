// The TIFF writer of the common outputs: 8- and 16-bit RGB, RGBA and grey, and 8-bit CMYK,
// uncompressed or with LZW, deflate or PackBits. It writes the tags FreeImage's TIFF writer
// writes for them, in strips of about 128 KB that are compressed on every core by libtiff's
// own codecs, reading the picture's rows top-down as they lie. Every other picture (palettes,
// 1 and 4 bits, floating point, LogLuv, JPEG, CCITT) stays with FreeImage.
#pragma once

#include <FreeImage.h>

namespace velmora {

class WriteHandle;

// Where a picture's rows lie: in FreeImage's order (bottom row first, 8-bit samples as BGR),
// or as the camera decoder left them (top row first, RGB; see FinishDecodedRows).
enum class RowOrder { FreeImage, AsDecoded };

// True when picture, saved with FreeImage's TIFF save flags, is written here.
bool TiffWriterTakes(FIBITMAP* picture, int saveFlags);

// The number of threads that compress strips: threads when it is above 0, else one per core
// this process may run on, at most VELMORA_THREADS when that is set.
int StripThreads(int threads);

// Writes picture as a TIFF into out (open on an empty file); false when a write failed or
// was stopped (out.error() tells which) or the encoder failed. threads is StripThreads's.
bool WriteTiffStrips(FIBITMAP* picture, int saveFlags, WriteHandle& out, int threads,
                     RowOrder rows = RowOrder::FreeImage);

} // namespace velmora
