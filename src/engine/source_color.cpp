#include "engine/source_color.h"

#include "engine/file_handles.h"
#include "imageops/picture.h"
#include "settings/keywords.h"

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

// With no preview to give, LibRaw's preview load decodes the whole picture for display;
// LibRaw's previews carry EXIF (its own when the camera wrote none), and a thumbnail that
// is a bare bitmap is smaller than the picture.
bool IsDisplayDecode(FIBITMAP* picture, const std::string& path) {
    if (FreeImage_GetMetadataCount(FIMD_EXIF_MAIN, picture) != 0)
        return false;
    ReadHandle in(path);
    if (!in.isOpen())
        return false;
    FreeImageIO io = ReadHandle::io();
    Picture header(FreeImage_LoadFromHandle(FIF_RAW, &io, &in, FIF_LOAD_NOPIXELS));
    if (!header)
        return false;
    unsigned width = FreeImage_GetWidth(picture), height = FreeImage_GetHeight(picture);
    unsigned fullWidth = FreeImage_GetWidth(header.get()),
             fullHeight = FreeImage_GetHeight(header.get());
    return (width == fullWidth && height == fullHeight) ||
           (width == fullHeight && height == fullWidth);
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

PictureColor SourceColor(PictureOrigin origin, int rawLoadAs, FIBITMAP* picture,
                         const std::string& path,
                         const std::function<ExifColorDeclaration()>& declaredBySource) {
    switch (origin) {
    case PictureOrigin::CameraDecode:
        return {rawLoadAs == kRaw24 ? ColorEncoding::Bt709Curve
                                    : ColorEncoding::LinearSrgbPrimaries,
                {}};
    case PictureOrigin::CameraPreview:
        if (IsDisplayDecode(picture, path))
            return {ColorEncoding::Bt709Curve, {}};
        return SelfDescribedColor(picture, true, declaredBySource);
    case PictureOrigin::Jpeg:
        return SelfDescribedColor(picture, false, declaredBySource);
    default:
        return {};
    }
}

} // namespace velmora
