// The picture every image step works on: a FreeImage bitmap owned by a move-only handle.
// A step takes the picture by value and gives back the one to continue with; whatever it
// replaced is released when it goes out of scope, so no path can leak or free twice.
#pragma once

#include <FreeImage.h>

#include <memory>

namespace velmora {

// Unloads the bitmap, and lets go of whatever holds the pixels of a bitmap that only shows
// them (see PictureOverPixels).
struct UnloadBitmap {
    void operator()(FIBITMAP* bitmap) const;
};

using Picture = std::unique_ptr<FIBITMAP, UnloadBitmap>;

// A picture over pixels FreeImage does not own (a bitmap made with
// FreeImage_ConvertFromRawBitsEx without copying): owner keeps them until the picture goes.
// A decoder that hands over its own buffer so spares a copy of the whole picture.
Picture PictureOverPixels(FIBITMAP* bitmap, std::shared_ptr<void> owner);

struct CloseMemory {
    void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};

// A FreeImage memory stream, closed when it goes out of scope.
using MemoryStream = std::unique_ptr<FIMEMORY, CloseMemory>;

inline int PictureWidth(const Picture& picture) {
    return picture ? static_cast<int>(FreeImage_GetWidth(picture.get())) : 0;
}
inline int PictureHeight(const Picture& picture) {
    return picture ? static_cast<int>(FreeImage_GetHeight(picture.get())) : 0;
}
inline int PictureBpp(const Picture& picture) {
    return picture ? static_cast<int>(FreeImage_GetBPP(picture.get())) : 0;
}

// FreeImage's threshold and dither read standard bitmaps of 4 to 32 bits; any other picture
// goes to 24 bits first.
inline Picture WithFourToThirtyTwoBits(Picture picture) {
    unsigned bpp = picture ? FreeImage_GetBPP(picture.get()) : 0;
    if (picture && (bpp < 4 || bpp > 32))
        picture = Picture(FreeImage_ConvertTo24Bits(picture.get()));
    return picture;
}

} // namespace velmora
