// The one place the camera RAW decoder leans on the order of LibRaw's work rather than on its
// interface. A full decode holds the file's raw data (2 bytes a photosite) beside the picture
// LibRaw makes of them (8 bytes a pixel) until the decoder goes; freeing the raw data as soon as
// the picture holds them lowers the decode's peak by the size of the raw data.
//
// What it relies on, as LibRaw 0.20's dcraw_process does it: the raw data are copied into
// imgdata.image (raw2image_ex, progress flag LIBRAW_PROGRESS_RAW2_IMAGE), then
// callbacks.pre_scalecolors_cb is called, then the picture alone is scaled and demosaiced
// (LIBRAW_PROGRESS_SCALE_COLORS, LIBRAW_PROGRESS_INTERPOLATE and the stages after them); nothing
// from there on reads imgdata.rawdata. tests/engine/libraw_early_release_test.cpp checks that
// order and that a decode with the raw data freed gives the same picture as one without: a
// LibRaw that changes either fails it.
#pragma once

#include <libraw/libraw.h>

namespace velmora {

class LibRawReleasingRawData : public LibRaw {
public:
    LibRawReleasingRawData();

    // Frees the raw data now, when there are any left; the picture is made of them already
    // or never will be. True when there were.
    bool ReleaseRawData();

protected:
    // Called on the decoding thread once the raw data are gone, while LibRaw still works on
    // its picture: the memory is past its peak.
    virtual void RawDataReleased() {}

private:
    static void BeforeScalingColors(void* libraw);
};

} // namespace velmora
