// What the values of a decoded source mean. LibRaw's decodes are known exactly from the load
// mode; an embedded preview or a JPEG says it through its own ICC profile or its EXIF, and a
// preview also through the camera file's EXIF (the camera's colour-space setting, which its
// JPEG rendering follows).
#pragma once

#include "imageops/color_profile.h"

#include <FreeImage.h>

#include <functional>
#include <string>

namespace velmora {

// Where the loaded picture came from: for a camera file, its embedded preview (a compressed
// picture) or bitmap thumbnail, or LibRaw's decode for display (8 bits, BT.709 curve) or its
// linear 16-bit decode.
enum class PictureOrigin {
    None,
    HeaderlessBits,
    CameraPreview,
    CameraThumbnail,
    CameraDisplayDecode,
    CameraLinearDecode,
    // The same decodes of a camera LibRaw knows no colour matrix for (raw colour).
    CameraRgbDisplayDecode,
    CameraRgbLinearDecode,
    Jpeg
};

// What an EXIF block says of the colour space: ColorSpace (0 when absent), the
// interoperability index ("R98", "R03"), and the maker's own colour-space setting (Canon and
// Nikon write 1 for sRGB and 2 for Adobe RGB; 0 when absent).
struct ExifColorDeclaration {
    int colorSpace = 0;
    std::string interopIndex;
    int makerColorSpace = 0;
};

// sRGB or Adobe RGB when the declaration names one; Unknown otherwise.
ColorEncoding DeclaredEncoding(const ExifColorDeclaration& declaration);

// The declaration in the EXIF FreeImage read with the picture.
ExifColorDeclaration DeclarationOf(FIBITMAP* picture);

// The meaning of the freshly loaded picture's values. declaredBySource reads the camera
// file's declaration; it is asked only for a preview that says nothing itself.
PictureColor SourceColor(PictureOrigin origin, FIBITMAP* picture,
                         const std::function<ExifColorDeclaration()>& declaredBySource);

} // namespace velmora
