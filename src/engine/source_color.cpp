#include "engine/source_color.h"

#include <cstring>

namespace velmora {
namespace {

int ShortTag(FIBITMAP* picture, FREE_IMAGE_MDMODEL model, const char* key) {
    FITAG* tag = nullptr;
    if (!FreeImage_GetMetadata(model, picture, key, &tag) || !tag ||
        FreeImage_GetTagType(tag) != FIDT_SHORT || !FreeImage_GetTagValue(tag))
        return 0;
    uint16_t value;
    std::memcpy(&value, FreeImage_GetTagValue(tag), sizeof value);
    return value;
}

std::string TextTag(FIBITMAP* picture, FREE_IMAGE_MDMODEL model, const char* key) {
    FITAG* tag = nullptr;
    if (!FreeImage_GetMetadata(model, picture, key, &tag) || !tag || !FreeImage_GetTagValue(tag))
        return {};
    const char* text = static_cast<const char*>(FreeImage_GetTagValue(tag));
    return std::string(text, strnlen(text, FreeImage_GetTagLength(tag)));
}

// The ICC profile FreeImage loaded with the picture, when it is one a display reads. A camera
// file's own input profile, which FreeImage also attaches, describes the sensor, not these
// values.
std::string DisplayProfileOf(FIBITMAP* picture) {
    FIICCPROFILE* icc = FreeImage_GetICCProfile(picture);
    if (!icc || !icc->data || icc->size <= 0)
        return {};
    std::string bytes(static_cast<const char*>(icc->data), static_cast<size_t>(icc->size));
    return IsDisplayProfile(bytes) ? bytes : std::string();
}

// A picture that carries its own meaning: its profile, else its EXIF, else (for a preview)
// what the camera file declares, else sRGB, as every viewer takes such a picture.
PictureColor SelfDescribedColor(FIBITMAP* picture, bool askSource,
                                const std::function<ExifColorDeclaration()>& declaredBySource) {
    if (std::string icc = DisplayProfileOf(picture); !icc.empty())
        return {ColorEncoding::Embedded, icc};
    ColorEncoding declared = DeclaredEncoding(DeclarationOf(picture));
    if (declared == ColorEncoding::Unknown && askSource && declaredBySource)
        declared = DeclaredEncoding(declaredBySource());
    return {declared == ColorEncoding::Unknown ? ColorEncoding::Srgb : declared, {}};
}

} // namespace

ColorEncoding DeclaredEncoding(const ExifColorDeclaration& declaration) {
    if (declaration.colorSpace == 1)
        return ColorEncoding::Srgb;
    if (declaration.colorSpace == 2 || declaration.interopIndex == "R03")
        return ColorEncoding::AdobeRgb;
    if (declaration.interopIndex == "R98")
        return ColorEncoding::Srgb;
    if (declaration.makerColorSpace == 1 || declaration.makerColorSpace == 2)
        return declaration.makerColorSpace == 1 ? ColorEncoding::Srgb : ColorEncoding::AdobeRgb;
    return ColorEncoding::Unknown;
}

ExifColorDeclaration DeclarationOf(FIBITMAP* picture) {
    ExifColorDeclaration declaration;
    if (!picture)
        return declaration;
    declaration.colorSpace = ShortTag(picture, FIMD_EXIF_EXIF, "ColorSpace");
    declaration.interopIndex = TextTag(picture, FIMD_EXIF_INTEROP, "InteroperabilityIndex");
    return declaration;
}

PictureColor SourceColor(PictureOrigin origin, FIBITMAP* picture,
                         const std::function<ExifColorDeclaration()>& declaredBySource) {
    switch (origin) {
    case PictureOrigin::CameraDisplayDecode:
        return {ColorEncoding::Bt709Curve, {}};
    case PictureOrigin::CameraLinearDecode:
        return {ColorEncoding::LinearSrgbPrimaries, {}};
    case PictureOrigin::CameraRgbDisplayDecode:
        return {ColorEncoding::CameraRgbBt709Curve, {}};
    case PictureOrigin::CameraRgbLinearDecode:
        return {ColorEncoding::CameraRgbLinear, {}};
    case PictureOrigin::CameraPreview:
    case PictureOrigin::CameraThumbnail:
        return SelfDescribedColor(picture, true, declaredBySource);
    case PictureOrigin::Jpeg:
        return SelfDescribedColor(picture, false, declaredBySource);
    default:
        return {};
    }
}

} // namespace velmora
