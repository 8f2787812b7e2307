// Loading and saving through FreeImage and the camera RAW decoder, with what each format
// needs: load and save flags, the output depth, the resolution in EXIF.
#include "engine/picture_files.h"

#include "engine/camera_raw.h"
#include "engine/file_handles.h"
#include "engine/format_registry.h"
#include "engine/tiff_writer.h"
#include "platform/console.h"
#include "platform/paths.h"
#include "platform/temp_files.h"
#include "platform/text.h"
#include "settings/keywords.h"
#include "settings/settings.h"

#include <sys/stat.h>
#include <tiffio.h>

#include <cerrno>
#include <cstring>

namespace velmora {
namespace {

constexpr int kJpegLoadFlags = JPEG_ACCURATE | JPEG_EXIFROTATE;

// Any file can be read as bare pixels, so the last-resort loader is kept for files that
// say they hold them, or for which the user gave the pixel size; otherwise a broken
// camera file would come out as a picture of noise and be reported as converted.
bool MayHoldHeaderlessBits(const std::string& path, const RawBitsLayout& layout) {
    std::string extension = ToLower(ExtensionOf(path));
    return extension == "raw" || extension == "raw1" || extension == "raw2" ||
           (layout.width > 0 && layout.height > 0);
}

// Dots per inch from one EXIF rational, honouring a centimetre resolution unit.
bool ExifDotsPerMeter(FIBITMAP* picture, const char* key, double unitToInch, int32_t& out) {
    FITAG* tag = nullptr;
    if (!FreeImage_GetMetadata(FIMD_EXIF_MAIN, picture, key, &tag) || !tag)
        return false;
    const void* value = FreeImage_GetTagValue(tag);
    if (!value || FreeImage_GetTagLength(tag) < 4)
        return false;
    uint32_t words[2] = {0, 1};
    std::memcpy(words, value, FreeImage_GetTagLength(tag) >= 8 ? 8 : 4);
    if (words[1] == 0)
        words[1] = 1;
    double dotsPerInch = static_cast<double>(words[0]) / words[1] * unitToInch;
    double dotsPerMeter = dotsPerInch / 0.0254 + 0.5;
    if (!(dotsPerMeter >= 0 && dotsPerMeter < 2147483647.0))
        return false;
    out = static_cast<int32_t>(dotsPerMeter);
    return true;
}

double ExifUnitToInch(FIBITMAP* picture) {
    FITAG* tag = nullptr;
    if (FreeImage_GetMetadata(FIMD_EXIF_MAIN, picture, "ResolutionUnit", &tag) && tag &&
        FreeImage_GetTagType(tag) == FIDT_SHORT && FreeImage_GetTagValue(tag)) {
        uint16_t unit;
        std::memcpy(&unit, FreeImage_GetTagValue(tag), sizeof unit);
        if (unit == 3)
            return 2.54;
    }
    return 1.0;
}

Picture ToDepth(Picture picture, int32_t depth, std::string_view format) {
    FIBITMAP* current = picture.get();
    switch (depth) {
    case 96:
        return Picture(FreeImage_ConvertToRGBF(current));
    case 48:
        return Picture(FreeImage_ConvertToRGB16(current));
    case 32:
        return Picture(FreeImage_ConvertTo32Bits(current));
    case 24:
        return Picture(FreeImage_ConvertTo24Bits(current));
    case 16: {
        if (FreeImage_GetBPP(current) > 32)
            picture = Picture(FreeImage_ConvertTo24Bits(current));
        if (!picture)
            return nullptr;
        bool fiveFiveFive = format == "ico" || format == "tga";
        return Picture(fiveFiveFive ? FreeImage_ConvertTo16Bits555(picture.get())
                                    : FreeImage_ConvertTo16Bits565(picture.get()));
    }
    case 8: {
        if (format == "j2k" || format == "jp2" || format == "jpg" || format == "jxr")
            return Picture(FreeImage_ConvertTo8Bits(current));
        if (FreeImage_GetBPP(current) != 24)
            picture = Picture(FreeImage_ConvertTo24Bits(current));
        if (!picture)
            return nullptr;
        return Picture(FreeImage_ColorQuantizeEx(picture.get(), FIQ_WUQUANT, 256, 0, nullptr));
    }
    case 4:
        return Picture(FreeImage_ConvertTo4Bits(current));
    case 1:
        return Picture(FreeImage_Dither(current, FID_FS));
    default:
        return nullptr;
    }
}

void DiscardLibraryMessage(FREE_IMAGE_FORMAT, const char*) {}
void DiscardTiffMessage(const char*, const char*, va_list) {}

} // namespace

RawMode CameraRawModeFor(RawLoadAs loadAs) {
    switch (loadAs) {
    case RawLoadAs::Auto:
        return RawMode::Preview;
    case RawLoadAs::Rgb24:
        return RawMode::Display;
    case RawLoadAs::Rgb48HalfSize:
        return RawMode::HalfSize;
    case RawLoadAs::Bits8:
    case RawLoadAs::Bits16:
    case RawLoadAs::Rgb48:
        break;
    }
    // Headerless bits that could not be read, and any value outside the list, take the full
    // linear decode.
    return RawMode::Linear;
}

void SilenceLibraryMessages() {
    FreeImage_SetOutputMessage(DiscardLibraryMessage);
    TIFFSetWarningHandler(DiscardTiffMessage);
    TIFFSetErrorHandler(DiscardTiffMessage);
}

int SaveFlagsFor(std::string_view format, const Settings& s) {
    if (format == "bmp")
        return s.BmpCompression == 1 ? BMP_SAVE_RLE : 0;
    if (format == "exr") {
        static const int flags[] = {EXR_NONE, EXR_ZIP, EXR_PIZ, EXR_PXR24, EXR_B44};
        return s.ExrCompression >= 0 && s.ExrCompression < 5 ? flags[s.ExrCompression] : 0;
    }
    if (format == "jpg") {
        static const int chroma[] = {JPEG_SUBSAMPLING_444, JPEG_SUBSAMPLING_422,
                                     JPEG_SUBSAMPLING_420, JPEG_SUBSAMPLING_411};
        static const int saveAs[] = {0, JPEG_BASELINE, JPEG_OPTIMIZE, JPEG_PROGRESSIVE};
        int flags = s.JpgQuality;
        if (s.JpgChroma >= 0 && s.JpgChroma < 4)
            flags |= chroma[s.JpgChroma];
        if (s.JpgSaveAs >= 0 && s.JpgSaveAs < 4)
            flags |= saveAs[s.JpgSaveAs];
        return flags;
    }
    if (format == "jxr")
        return JXR_LOSSLESS;
    if (format == "png") {
        static const int levels[] = {PNG_Z_NO_COMPRESSION, 1, 6, 9};
        int flags = s.PngCompression >= 0 && s.PngCompression < 4 ? levels[s.PngCompression] : 0;
        return flags | (s.PngInterlaced ? PNG_INTERLACED : 0);
    }
    if (format == "tga")
        return s.TgaCompression == 1 ? TARGA_SAVE_RLE : 0;
    if (format == "tiff") {
        static const int compression[] = {TIFF_NONE,     TIFF_CCITTFAX3, TIFF_CCITTFAX4,
                                          TIFF_PACKBITS, TIFF_DEFLATE,   TIFF_ADOBE_DEFLATE,
                                          TIFF_LZW,      TIFF_JPEG,      TIFF_LOGLUV};
        int flags =
            s.TiffCompression >= 0 && s.TiffCompression < 9 ? compression[s.TiffCompression] : 0;
        return flags | (ChoiceOf<ColorMode>(s.TiffColorMode) == ColorMode::Cmyk ? TIFF_CMYK : 0);
    }
    if (format == "webp")
        return s.WebpQuality == 100 ? WEBP_LOSSLESS : s.WebpQuality;
    return 0;
}

LoadRequest LoadRequestFrom(const Settings& settings) {
    return {.loadAs = ChoiceOf<RawLoadAs>(settings.RawLoadAs),
            .rawBits = RawBitsLayoutFrom(settings)};
}

Picture LoadInputPicture(const std::string& path, const LoadRequest& request, PictureOrigin* origin,
                         const std::function<void()>& whenRawDataGone, const StopRequested& stopped,
                         std::string* why, RowOrder* rows) {
    PictureOrigin unused;
    PictureOrigin& from = origin ? *origin : unused;
    if (rows)
        *rows = RowOrder::FreeImage;
    std::string failure;
    Picture picture;
    if (request.loadAs == RawLoadAs::Bits8 || request.loadAs == RawLoadAs::Bits16) {
        RawBitsFormat stored =
            request.loadAs == RawLoadAs::Bits16 ? RawBitsFormat::kRgb565 : RawBitsFormat::kEightBit;
        picture = LoadRawBits(path, stored, request.rawBits), from = PictureOrigin::HeaderlessBits;
    }
    if (!picture) {
        QuietStandardError quiet;
        CameraRawPicture camera =
            LoadCameraRaw(path, CameraRawModeFor(request.loadAs), whenRawDataGone, stopped,
                          request.rowsMayStayAsDecoded && rows != nullptr);
        picture = std::move(camera.picture), from = camera.origin;
        if (rows && camera.rowsAsDecoded)
            *rows = RowOrder::AsDecoded;
        failure = std::move(camera.failure);
    }
    // A stopped decode is not a file for the other loaders to try.
    if (!picture && failure != kStoppedByUser)
        picture.reset(FreeImage_Load(FIF_JPEG, path.c_str(), kJpegLoadFlags)),
            from = PictureOrigin::Jpeg;
    if (!picture && failure != kStoppedByUser && MayHoldHeaderlessBits(path, request.rawBits))
        picture = LoadRawBits(path, RawBitsFormat::kRgb565, request.rawBits),
        from = PictureOrigin::HeaderlessBits;
    if (!picture) {
        from = PictureOrigin::None;
        if (why)
            *why = failure.empty() ? "the file holds no picture this program can read" : failure;
    }
    return picture;
}

int32_t AutoDepth(std::string_view outputFormat, int32_t sourceBpp) {
    std::vector<int> allowed = AllowedDepths(outputFormat);
    for (int depth : allowed)
        if (depth >= sourceBpp)
            return depth;
    return allowed.empty() ? 0 : allowed.back();
}

int32_t OutputDepthFor(std::string_view outputFormat, int32_t requestedDepth, int32_t sourceBpp) {
    return requestedDepth != 0 ? requestedDepth : AutoDepth(outputFormat, sourceBpp);
}

Picture ConvertToOutputDepth(Picture picture, int32_t depth, std::string_view outputFormat) {
    if (!picture)
        return nullptr;
    if (PictureBpp(picture) == depth)
        return picture;
    return ToDepth(std::move(picture), depth, outputFormat);
}

Resolution ReadResolution(FIBITMAP* picture) {
    Resolution resolution{static_cast<int32_t>(FreeImage_GetDotsPerMeterX(picture)),
                          static_cast<int32_t>(FreeImage_GetDotsPerMeterY(picture))};
    if (FreeImage_GetMetadataCount(FIMD_EXIF_MAIN, picture) != 0) {
        double unitToInch = ExifUnitToInch(picture);
        ExifDotsPerMeter(picture, "XResolution", unitToInch, resolution.dotsPerMeterX);
        ExifDotsPerMeter(picture, "YResolution", unitToInch, resolution.dotsPerMeterY);
    }
    return resolution;
}

void WriteResolution(FIBITMAP* picture, Resolution resolution) {
    FreeImage_SetDotsPerMeterX(picture, static_cast<unsigned>(resolution.dotsPerMeterX));
    FreeImage_SetDotsPerMeterY(picture, static_cast<unsigned>(resolution.dotsPerMeterY));
}

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

SaveOutcome SaveToFileChecked(FIBITMAP* picture, int fif, const std::string& path, int flags,
                              const StopRequested& stopped, int threads, RowOrder rows) {
    WriteHandle out(path);
    if (!out.isOpen())
        return {false, FileErrorText(out.error(), "the output file cannot be opened")};
    if (stopped)
        out.stopWhen(stopped);
    bool encoded;
    if (fif == FIF_TIFF && TiffWriterTakes(picture, flags)) {
        encoded = WriteTiffStrips(picture, flags, out, StripThreads(threads), rows);
    } else if (rows == RowOrder::AsDecoded) {
        encoded = false; // FreeImage's writers would read the rows in their own order
    } else {
        FreeImageIO io = WriteHandle::io();
        encoded = FreeImage_SaveToHandle(static_cast<FREE_IMAGE_FORMAT>(fif), picture, &io, &out,
                                         flags) != FALSE;
    }
    bool closed = out.close();
    if (out.error() == ECANCELED)
        return {false, kStoppedByUser};
    if (out.error() != 0 || !closed)
        return {false, FileErrorText(out.error(), "the output file could not be written")};
    if (!encoded)
        return {false, std::string("the picture could not be encoded as ") +
                           (fif == FIF_TIFF ? "TIFF" : "this format") + " at " +
                           std::to_string(FreeImage_GetBPP(picture)) + " bits"};
    return {true, {}};
}

SaveOutcome SavePictureAtomically(FIBITMAP* picture, int fif, const std::string& path, int flags,
                                  const FinishSavedFile& finish, const StopRequested& stopped,
                                  int threads, RowOrder rows) {
    if (!picture)
        return {false, "there is no picture to save"};
    SaveOutcome outcome;
    auto temp = CreateTempFileBeside(path, &outcome.reason);
    if (!temp)
        return outcome;
    outcome = SaveToFileChecked(picture, fif, temp->path, flags, stopped, threads, rows);
    if (outcome && finish && !finish(temp->path))
        outcome = {false, "the metadata could not be written into the output file"};
    // The last moment a stop can keep the earlier file: the rename replaces it.
    if (outcome && stopped && stopped())
        outcome = {false, kStoppedByUser};
    if (!outcome) {
        DiscardTempFile(*temp);
        return outcome;
    }
    if (!CommitTempFile(*temp, &outcome.reason))
        return {false, outcome.reason};
    return {true, {}};
}

} // namespace velmora
