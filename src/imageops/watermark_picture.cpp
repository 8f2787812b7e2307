#include "imageops/watermark_picture.h"

#include "imageops/picture_file_fixes.h"
#include "imageops/raster_bound.h"
#include "platform/files.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <new>
#include <optional>

namespace velmora {
namespace {

// The formats a watermark picture may have. FreeImage reads more, but its readers of the
// rarer ones are not given a user's files.
constexpr FREE_IMAGE_FORMAT kWatermarkFormats[] = {FIF_BMP, FIF_JPEG, FIF_PNG,
                                                   FIF_GIF, FIF_TIFF, FIF_WEBP};

// A progressive JPEG keeps every coefficient while it decodes, up to 8 bytes a pixel for
// CMYK: half the raster bound's pixels keep that within the raster's 1 GiB.
constexpr int64_t kMaxJpegPixels = kMaxRasterPixels / 2;

// FreeImage only reads the bytes, though its interface takes them as writable.
MemoryStream OpenMemory(std::string& bytes) {
    return MemoryStream(FreeImage_OpenMemory(reinterpret_cast<BYTE*>(bytes.data()),
                                             static_cast<DWORD>(bytes.size())));
}

Picture LoadFromBytes(FREE_IMAGE_FORMAT format, std::string& bytes, int flags) {
    MemoryStream memory = OpenMemory(bytes);
    return Picture(memory ? FreeImage_LoadFromMemory(format, memory.get(), flags) : nullptr);
}

FREE_IMAGE_FORMAT FormatOf(std::string& bytes) {
    MemoryStream memory = OpenMemory(bytes);
    FREE_IMAGE_FORMAT format =
        memory ? FreeImage_GetFileTypeFromMemory(memory.get(), 0) : FIF_UNKNOWN;
    bool offered = std::find(std::begin(kWatermarkFormats), std::end(kWatermarkFormats), format) !=
                   std::end(kWatermarkFormats);
    return offered ? format : FIF_UNKNOWN;
}

struct PictureSize {
    int64_t width = 0, height = 0;
};

uint8_t ByteAt(const std::string& bytes, size_t at) {
    return at < bytes.size() ? static_cast<uint8_t>(bytes[at]) : 0;
}

// FreeImage's GIF reader reads no header alone; it allocates the first frame at the size
// of that frame's image descriptor, found behind the colour table and any extensions.
std::optional<PictureSize> GifFrameSize(const std::string& bytes) {
    auto wordAt = [&](size_t at) { return ByteAt(bytes, at) | ByteAt(bytes, at + 1) << 8; };
    size_t at = 13;
    if (ByteAt(bytes, 10) & 0x80)
        at += size_t{3} << ((ByteAt(bytes, 10) & 7) + 1);
    while (at < bytes.size() && ByteAt(bytes, at) == 0x21) { // an extension and its blocks
        at += 2;
        while (at < bytes.size() && ByteAt(bytes, at) != 0)
            at += ByteAt(bytes, at) + 1u;
        ++at;
    }
    if (ByteAt(bytes, at) != 0x2C || at + 9 >= bytes.size())
        return std::nullopt;
    return PictureSize{wordAt(at + 5), wordAt(at + 7)};
}

// FreeImage's JPEG reader starts the decompressor even for the header alone, and for a
// progressive file that takes the whole coefficient buffer; the frame header comes first.
std::optional<PictureSize> JpegFrameSize(const std::string& bytes) {
    auto wordAt = [&](size_t at) { return ByteAt(bytes, at) << 8 | ByteAt(bytes, at + 1); };
    for (size_t at = 2; at + 9 < bytes.size() && ByteAt(bytes, at) == 0xFF;) {
        uint8_t marker = ByteAt(bytes, at + 1);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return PictureSize{wordAt(at + 7), wordAt(at + 5)};
        at += 2 + static_cast<size_t>(wordAt(at + 2));
    }
    return std::nullopt;
}

std::optional<PictureSize> HeaderSize(FREE_IMAGE_FORMAT format, std::string& bytes) {
    if (format == FIF_GIF)
        return GifFrameSize(bytes);
    if (format == FIF_JPEG)
        return JpegFrameSize(bytes);
    Picture header = LoadFromBytes(format, bytes, FIF_LOAD_NOPIXELS);
    if (!header)
        return std::nullopt;
    return PictureSize{PictureWidth(header), PictureHeight(header)};
}

bool SizeAllowed(FREE_IMAGE_FORMAT format, PictureSize size) {
    return RasterSizeAllowed(size.width, size.height) &&
           (format != FIF_JPEG || size.width * size.height <= kMaxJpegPixels);
}

// The picture as viewers show it: a JPEG turned as its EXIF orientation says.
int LoadFlags(FREE_IMAGE_FORMAT format) {
    return format == FIF_JPEG ? JPEG_EXIFROTATE : 0;
}

// 32 bits with alpha from any depth or pixel type FreeImage decodes to; palettes keep
// their transparent entries.
Picture WithAlpha(Picture picture) {
    if (FreeImage_GetImageType(picture.get()) == FIT_BITMAP && PictureBpp(picture) == 32)
        return picture;
    Picture converted(FreeImage_ConvertTo32Bits(picture.get()));
    if (!converted) {
        Picture standard(FreeImage_ConvertToStandardType(picture.get(), TRUE));
        converted.reset(standard ? FreeImage_ConvertTo32Bits(standard.get()) : nullptr);
    }
    return converted;
}

// A 32-bit BMP without alpha keeps padding, mostly 0, in each pixel's fourth byte: all 0
// is padding, not a picture transparent everywhere.
void OpaqueWhenAlphaIsPadding(FIBITMAP* picture) {
    unsigned width = FreeImage_GetWidth(picture), height = FreeImage_GetHeight(picture);
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* row = FreeImage_GetScanLine(picture, static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x)
            if (row[x * 4 + FI_RGBA_ALPHA] != 0)
                return;
    }
    for (unsigned y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(picture, static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x)
            row[x * 4 + FI_RGBA_ALPHA] = 255;
    }
}

Picture Decode(std::string& bytes) {
    FREE_IMAGE_FORMAT format = FormatOf(bytes);
    if (format == FIF_UNKNOWN || (format == FIF_BMP && !RepairBmpForFreeImage(bytes)))
        return nullptr;
    if (format == FIF_TIFF)
        HideTiffExifDirectories(bytes);
    auto size = HeaderSize(format, bytes);
    if (!size || !SizeAllowed(format, *size))
        return nullptr;
    Picture picture = LoadFromBytes(format, bytes, LoadFlags(format));
    if (!picture || !RasterSizeAllowed(PictureWidth(picture), PictureHeight(picture)))
        return nullptr;
    bool paddedBmp = format == FIF_BMP && PictureBpp(picture) == 32;
    picture = WithAlpha(std::move(picture));
    if (picture && paddedBmp)
        OpaqueWhenAlphaIsPadding(picture.get());
    return picture;
}

} // namespace

Picture DecodeWatermarkPicture(std::string bytes) {
    if (bytes.empty())
        return nullptr;
    // A picture too large for the memory left fails like an undecodable one.
    try {
        return Decode(bytes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

Picture LoadWatermarkPicture(const std::string& path) {
    try {
        auto bytes = ReadWholeFile(path, kMaxPictureFileBytes);
        return bytes ? DecodeWatermarkPicture(std::move(*bytes)) : nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace velmora
