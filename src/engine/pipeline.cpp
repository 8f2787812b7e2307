#include "engine/pipeline.h"

#include "engine/camera_raw.h"
#include "engine/file_handles.h"
#include "engine/format_registry.h"
#include "engine/metadata.h"
#include "engine/name_mask.h"
#include "imageops/cmyk_separation.h"
#include "imageops/color_adjustment.h"
#include "imageops/color_profile.h"
#include "imageops/dither.h"
#include "imageops/drawn_steps.h"
#include "imageops/greyscale.h"
#include "imageops/raw_bits.h"
#include "imageops/resize.h"
#include "imageops/rotation.h"
#include "imageops/threshold.h"
#include "imageops/tone_mapping.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/picture_heap.h"
#include "platform/temp_files.h"
#include "platform/text.h"
#include "settings/keywords.h"
#include "settings/settings.h"

#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <optional>

namespace velmora {
namespace {

constexpr int kJpegLoadFlags = JPEG_ACCURATE | JPEG_EXIFROTATE;
constexpr int kRawBits16 = 2;
constexpr int64_t kSmallSourceBytes = 2 << 20;

// Any file can be read as bare pixels, so the last-resort loader is kept for files that
// say they hold them, or for which the user gave the pixel size; otherwise a broken
// camera file would come out as a picture of noise and be reported as converted.
bool MayHoldHeaderlessBits(const std::string& path) {
    std::string extension = ToLower(ExtensionOf(path));
    return extension == "raw" || extension == "raw1" || extension == "raw2" ||
           (gSettings.RawImageWidth > 0 && gSettings.RawImageHeight > 0);
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

Picture ConvertedPicture(FIBITMAP* converted) {
    return Picture(converted);
}

Picture ToDepth(Picture picture, int32_t depth, std::string_view format) {
    FIBITMAP* current = picture.get();
    switch (depth) {
    case 96:
        return ConvertedPicture(FreeImage_ConvertToRGBF(current));
    case 48:
        return ConvertedPicture(FreeImage_ConvertToRGB16(current));
    case 32:
        return ConvertedPicture(FreeImage_ConvertTo32Bits(current));
    case 24:
        return ConvertedPicture(FreeImage_ConvertTo24Bits(current));
    case 16: {
        if (FreeImage_GetBPP(current) > 32)
            picture = ConvertedPicture(FreeImage_ConvertTo24Bits(current));
        if (!picture)
            return nullptr;
        bool fiveFiveFive = format == "ico" || format == "tga";
        return ConvertedPicture(fiveFiveFive ? FreeImage_ConvertTo16Bits555(picture.get())
                                             : FreeImage_ConvertTo16Bits565(picture.get()));
    }
    case 8: {
        if (format == "j2k" || format == "jp2" || format == "jpg" || format == "jxr")
            return ConvertedPicture(FreeImage_ConvertTo8Bits(current));
        if (FreeImage_GetBPP(current) != 24)
            picture = ConvertedPicture(FreeImage_ConvertTo24Bits(current));
        if (!picture)
            return nullptr;
        return ConvertedPicture(
            FreeImage_ColorQuantizeEx(picture.get(), FIQ_WUQUANT, 256, 0, nullptr));
    }
    case 4:
        return ConvertedPicture(FreeImage_ConvertTo4Bits(current));
    case 1:
        return ConvertedPicture(FreeImage_Dither(current, FID_FS));
    default:
        return nullptr;
    }
}

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool SaveToFileChecked(FIBITMAP* picture, int fif, const std::string& path, int flags) {
    WriteHandle out(path);
    if (!out.isOpen())
        return false;
    FreeImageIO io = WriteHandle::io();
    bool saved = FreeImage_SaveToHandle(static_cast<FREE_IMAGE_FORMAT>(fif), picture, &io, &out,
                                        flags) != FALSE;
    return out.close() && saved;
}

// The frame and the watermark come from the drawing library, opened only when a run asks
// for one of them; a run that wants one the library cannot give fails the file.
Picture ApplyDrawnFrame(Picture picture, int width, int height) {
    if (gSettings.DoFrame == kFrameNone)
        return picture;
    const DrawnSteps* drawn = LoadDrawnSteps();
    return drawn ? drawn->applyFrame(std::move(picture), width, height) : nullptr;
}

Picture ApplyDrawnWatermark(Picture picture, int width, int height) {
    if (gSettings.DoWatermark == kWatermarkNone)
        return picture;
    const DrawnSteps* drawn = LoadDrawnSteps();
    return drawn ? drawn->applyWatermark(std::move(picture), width, height, ExpandWatermarkText())
                 : nullptr;
}

// A preview, or a small source, decodes in milliseconds with little memory beside the
// program's own, and reading its metadata meanwhile saves those milliseconds. Otherwise the
// reading waits until LibRaw has given its raw data back (or the decode is over), so that
// neither it nor the libraries it opens (exiv2, and FreeImage with them) add to the decode's
// peak.
bool ReadMetadataAlongsideDecoding(const std::string& path) {
    return gSettings.RawLoadAs == kRawAuto || FileSize(path) < kSmallSourceBytes;
}

// CMYK separations are made from 32-bit pictures, the depth FreeImage writes as ink; other
// depths keep their colour and say so.
Picture SeparateForPrint(Picture picture, PictureColor& color) {
    if (gJob.OutputFif != FIF_TIFF || gSettings.TiffColorMode != kColorCmyk)
        return picture;
    return SeparateIntoCmyk(std::move(picture), color);
}

// A picture whose metadata cannot be written is still worth keeping: when the rewrite
// failed and left the file unreadable, the picture is saved again without it.
bool AddMetadataOrKeepWithout(FIBITMAP* picture, const std::string& path, PendingMetadata& metadata,
                              FIBITMAP* holder, const PictureColor& color) {
    WrittenPicture written{path, static_cast<int>(FreeImage_GetWidth(picture)),
                           static_cast<int>(FreeImage_GetHeight(picture)),
                           ExifColorSpaceFor(color)};
    if (metadata.writeInto(written, holder) || IsReadableTiff(path))
        return true;
    return SaveToFileChecked(picture, gJob.OutputFif, path, gJob.SaveFlags);
}

// For the window's progress bar: the worker is at this stage of the current file.
void ReportStage(FileStage stage) {
    std::lock_guard lock(gRunMutex);
    gProgress.CurrentStage = stage;
}

void DiscardLibraryMessage(FREE_IMAGE_FORMAT, const char*) {}
void DiscardTiffMessage(const char*, const char*, va_list) {}

} // namespace

void SilenceLibraryMessages() {
    FreeImage_SetOutputMessage(DiscardLibraryMessage);
    TIFFSetWarningHandler(DiscardTiffMessage);
    TIFFSetErrorHandler(DiscardTiffMessage);
}

int LoadFlagsFor(std::string_view inputGroup) {
    if (inputGroup == "raw") {
        switch (gSettings.RawLoadAs) {
        case kRawAuto:
            return RAW_PREVIEW;
        case kRaw24:
            return RAW_DISPLAY;
        case kRaw48HS:
            return RAW_HALFSIZE;
        default:
            return RAW_DEFAULT;
        }
    }
    if (inputGroup == "psd") {
        if (gSettings.PsdColorMode == kColorCmyk)
            return PSD_CMYK;
        if (gSettings.PsdColorMode == kColorLab)
            return PSD_LAB;
        return PSD_DEFAULT;
    }
    return 0;
}

int SaveFlagsFor(std::string_view format) {
    const Settings& s = gSettings;
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
        return flags | (s.TiffColorMode == kColorCmyk ? TIFF_CMYK : 0);
    }
    if (format == "webp")
        return s.WebpQuality == 100 ? WEBP_LOSSLESS : s.WebpQuality;
    return 0;
}

int32_t AutoDepth(std::string_view outputFormat, int32_t sourceBpp) {
    std::vector<int> allowed = AllowedDepths(outputFormat);
    for (int depth : allowed)
        if (depth >= sourceBpp)
            return depth;
    return allowed.empty() ? 0 : allowed.back();
}

Picture ConvertToOutputDepth(Picture picture) {
    if (!picture)
        return nullptr;
    if (gJob.AutoBpp)
        gJob.OutputBpp = AutoDepth(gJob.ConversionType, gJob.SourceBpp);
    if (PictureBpp(picture) == gJob.OutputBpp)
        return picture;
    return ToDepth(std::move(picture), gJob.OutputBpp, gJob.ConversionType);
}

Picture LoadInputPicture(const std::string& path, PictureOrigin* origin,
                         const std::function<void()>& whenRawDataGone) {
    PictureOrigin unused;
    PictureOrigin& from = origin ? *origin : unused;
    Picture picture;
    if (gSettings.RawLoadAs == kRaw8 || gSettings.RawLoadAs == kRaw16)
        picture = LoadRawBits(path, gSettings.RawLoadAs), from = PictureOrigin::HeaderlessBits;
    if (!picture) {
        QuietStandardError quiet;
        CameraRawPicture camera = LoadCameraRaw(path, LoadFlagsFor("raw"), whenRawDataGone);
        picture = std::move(camera.picture), from = camera.origin;
    }
    if (!picture)
        picture.reset(FreeImage_Load(FIF_JPEG, path.c_str(), kJpegLoadFlags)),
            from = PictureOrigin::Jpeg;
    if (!picture && MayHoldHeaderlessBits(path))
        picture = LoadRawBits(path, kRawBits16), from = PictureOrigin::HeaderlessBits;
    if (!picture)
        from = PictureOrigin::None;
    return picture;
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

bool SavePictureAtomically(FIBITMAP* picture, int fif, const std::string& path, int flags,
                           const FinishSavedFile& finish) {
    if (!picture)
        return false;
    auto temp = CreateTempFileBeside(path);
    if (!temp)
        return false;
    if (!SaveToFileChecked(picture, fif, *temp, flags) || (finish && !finish(*temp))) {
        DiscardTempFile(*temp);
        return false;
    }
    return CommitTempFile(*temp, path);
}

bool ConvertOneFile() {
    std::optional<PendingMetadata> sourceMetadata;
    auto readSourceMetadata = [&] {
        if (gJob.OutputFif == FIF_TIFF && !sourceMetadata)
            sourceMetadata.emplace(gJob.InputFile);
    };
    bool alongside = ReadMetadataAlongsideDecoding(gJob.InputFile);
    if (alongside)
        readSourceMetadata();
    PictureOrigin origin;
    Picture picture = LoadInputPicture(gJob.InputFile, &origin, readSourceMetadata);
    // LibRaw's buffers go back to the system before the save adds pages of its own.
    if (!alongside)
        ReturnFreedHeapMemory();
    readSourceMetadata();
    int width = PictureWidth(picture), height = PictureHeight(picture);
    gJob.SourceBpp = PictureBpp(picture);
    if (width == 0 || height == 0)
        return false;

    ReportStage(kStageSteps);
    PictureColor color = SourceColor(origin, picture.get(), [&] {
        return sourceMetadata ? sourceMetadata->declaredColor() : ExifColorDeclaration{};
    });
    Picture metadataHolder(FreeImage_AllocateT(FIT_BITMAP, 10, 10, 8, 0, 0, 0));
    if (metadataHolder)
        FreeImage_CloneMetadata(metadataHolder.get(), picture.get());
    Resolution resolution = ReadResolution(picture.get());

    picture = ApplyRotation(std::move(picture));
    width = PictureWidth(picture), height = PictureHeight(picture);
    picture = ApplyResize(std::move(picture), width, height);
    // Every later step that takes a size takes this one: the frame and the watermark are
    // placed on the picture as resizing left it.
    width = PictureWidth(picture), height = PictureHeight(picture);
    picture = ApplyToneMapping(std::move(picture));
    if (ToneMappingRendersForDisplay())
        color = {ColorEncoding::Srgb, {}};
    picture = ApplyFlips(std::move(picture));
    picture = ApplyColorAdjustment(std::move(picture));
    picture = ApplyGreyscale(std::move(picture));
    picture = ApplyThreshold(std::move(picture));
    picture = ApplyDither(std::move(picture));
    picture = ApplyDrawnFrame(std::move(picture), width, height);
    gJob.ImageWidthAfter = width;
    gJob.ImageHeightAfter = height;
    gJob.FrameNumber = 1;
    picture = ApplyDrawnWatermark(std::move(picture), width, height);
    picture = ConvertToOutputDepth(std::move(picture));
    picture = SeparateForPrint(std::move(picture), color);
    if (picture) {
        AttachColorProfile(picture.get(), color);
        if (metadataHolder)
            FreeImage_CloneMetadata(picture.get(), metadataHolder.get());
        FreeImage_SetDotsPerMeterX(picture.get(), static_cast<unsigned>(resolution.dotsPerMeterX));
        FreeImage_SetDotsPerMeterY(picture.get(), static_cast<unsigned>(resolution.dotsPerMeterY));
    }

    ReportStage(kStageSave);
    gJob.OutputFile = BuildOutputPath();
    // Writing over the file being converted would destroy the only copy of the source.
    if (SameFile(gJob.OutputFile, gJob.InputFile))
        return false;
    auto addMetadata = [&](const std::string& temporaryPath) {
        return AddMetadataOrKeepWithout(picture.get(), temporaryPath, *sourceMetadata,
                                        metadataHolder.get(), color);
    };
    return SavePictureAtomically(picture.get(), gJob.OutputFif, gJob.OutputFile, gJob.SaveFlags,
                                 gJob.OutputFif == FIF_TIFF ? FinishSavedFile(addMetadata)
                                                            : FinishSavedFile());
}

} // namespace velmora
