// Camera RAW files decoded with LibRaw, exactly as FreeImage's RAW loader decodes them (the
// same LibRaw, the same parameters, pixels, ICC profile and metadata), but without its extra
// copies: LibRaw's raw data goes once its picture of it is made, and that picture is turned
// into FreeImage's layout where it lies and handed over as the bitmap's pixels. A picture
// that goes to the file unchanged may skip even that turn (rowsMayStayAsDecoded).
#pragma once

#include "engine/file_result.h"
#include "engine/source_color.h"
#include "imageops/picture.h"

#include <functional>
#include <string>

namespace velmora {

// How the decoder reads a camera file.
enum class RawMode {
    Preview,  // the camera's embedded preview; the display decode when it has none
    Display,  // a full decode at 8 bits a channel on the BT.709 curve
    Linear,   // a full decode at 16 bits a channel, linear
    HalfSize, // the linear decode at half the width and height
};

struct CameraRawPicture {
    Picture picture;
    PictureOrigin origin = PictureOrigin::None;
    std::string failure; // why there is no picture, in plain words
    // The rows lie as LibRaw made them, top row first and in RGB order, not in FreeImage's
    // order: only a writer told so may read them, and FinishDecodedRows puts them in order.
    bool rowsAsDecoded = false;
};

// Loads a camera RAW file in the given mode. No picture when LibRaw cannot read it.
// whenRawDataGone, when given, is called (on this thread) once a decode has given its raw
// data back, while LibRaw still works on its picture: the memory is at its peak no more.
// stopped, when given, is asked at each of LibRaw's stages; once it is true the decode ends
// with no picture.
// rowsMayStayAsDecoded lets a full decode the camera did not turn skip putting its rows in
// FreeImage's order (rowsAsDecoded), for a picture that goes to the file as it is.
CameraRawPicture LoadCameraRaw(const std::string& path, RawMode mode,
                               const std::function<void()>& whenRawDataGone = {},
                               const StopRequested& stopped = {},
                               bool rowsMayStayAsDecoded = false);

// Puts the rows of a picture loaded with rowsAsDecoded into FreeImage's order: bottom row
// first, 8-bit samples as BGR.
void FinishDecodedRows(FIBITMAP* picture);

} // namespace velmora
