#include "engine/pipeline.h"

#include "engine/metadata.h"
#include "engine/name_mask.h"
#include "imageops/cmyk_separation.h"
#include "imageops/color_adjustment.h"
#include "imageops/color_profile.h"
#include "imageops/dither.h"
#include "imageops/drawn_steps.h"
#include "imageops/greyscale.h"
#include "imageops/resize.h"
#include "imageops/rotation.h"
#include "imageops/threshold.h"
#include "imageops/tone_mapping.h"
#include "platform/files.h"
#include "platform/picture_heap.h"
#include "settings/keywords.h"
#include "settings/settings.h"

#include <optional>

namespace velmora {
namespace {

constexpr int64_t kSmallSourceBytes = 2 << 20;

// The decoded input and, for a TIFF output, the source's metadata.
struct LoadedSource {
    Picture picture;
    PictureOrigin origin = PictureOrigin::None;
    std::optional<PendingMetadata> metadata;
};

// A preview, or a small source, decodes in milliseconds with little memory beside the
// program's own, and reading its metadata meanwhile saves those milliseconds. Otherwise the
// reading waits until LibRaw has given its raw data back (or the decode is over), so that
// neither it nor the libraries it opens (exiv2, and FreeImage with them) add to the decode's
// peak.
bool ReadMetadataAlongsideDecoding(const std::string& path, const LoadRequest& request) {
    return request.rawLoadAs == kRawAuto || FileSize(path) < kSmallSourceBytes;
}

void LoadSource(LoadedSource& source, const std::string& path, const LoadRequest& request,
                bool keepsMetadata) {
    auto readMetadata = [&] {
        if (keepsMetadata && !source.metadata)
            source.metadata.emplace(path);
    };
    bool alongside = ReadMetadataAlongsideDecoding(path, request);
    if (alongside)
        readMetadata();
    source.picture = LoadInputPicture(path, request, &source.origin, readMetadata);
    // LibRaw's buffers go back to the system before the save adds pages of its own.
    if (!alongside)
        ReturnFreedHeapMemory();
    readMetadata();
}

// The colour the source's values are in, by how it was decoded and what it declares.
PictureColor ColorOfSource(LoadedSource& source, FIBITMAP* picture) {
    return SourceColor(source.origin, picture, [&] {
        return source.metadata ? source.metadata->declaredColor() : ExifColorDeclaration{};
    });
}

// The source's metadata and resolution, kept aside while the steps replace the picture.
struct SourceDetails {
    Picture metadataHolder;
    Resolution resolution;
};

SourceDetails KeepSourceDetails(FIBITMAP* picture) {
    SourceDetails kept{Picture(FreeImage_AllocateT(FIT_BITMAP, 10, 10, 8, 0, 0, 0)),
                       ReadResolution(picture)};
    if (kept.metadataHolder)
        FreeImage_CloneMetadata(kept.metadataHolder.get(), picture);
    return kept;
}

void RestoreSourceDetails(FIBITMAP* picture, const SourceDetails& kept, const PictureColor& color) {
    AttachColorProfile(picture, color);
    if (kept.metadataHolder)
        FreeImage_CloneMetadata(picture, kept.metadataHolder.get());
    WriteResolution(picture, kept.resolution);
}

// The frame and the watermark come from the drawing library, opened only when a run asks
// for one of them; a run that wants one the library cannot give fails the file.
Picture ApplyDrawnFrame(Picture picture, const FrameRequest& request, int width, int height) {
    if (request.kind == kFrameNone)
        return picture;
    const DrawnSteps* drawn = LoadDrawnSteps();
    return drawn ? drawn->applyFrame(std::move(picture), request, width, height) : nullptr;
}

// The watermark text's placeholders are expanded only for a run that draws one.
Picture ApplyDrawnWatermark(Picture picture, const Settings& settings, int width, int height) {
    if (settings.DoWatermark == kWatermarkNone)
        return picture;
    const DrawnSteps* drawn = LoadDrawnSteps();
    return drawn ? drawn->applyWatermark(std::move(picture),
                                         WatermarkRequestFrom(settings, ExpandWatermarkText()),
                                         width, height)
                 : nullptr;
}

// CMYK separations are made from 32-bit pictures, the depth FreeImage writes as ink; other
// depths keep their colour and say so.
Picture SeparateForPrint(Picture picture, bool separate, PictureColor& color) {
    return separate ? SeparateIntoCmyk(std::move(picture), color) : std::move(picture);
}

// A picture whose metadata cannot be written is still worth keeping: when the rewrite
// failed and left the file unreadable, the picture is saved again without it.
bool AddMetadataOrKeepWithout(FIBITMAP* picture, const std::string& path, PendingMetadata& metadata,
                              FIBITMAP* holder, const PictureColor& color, int saveFlags) {
    WrittenPicture written{path, static_cast<int>(FreeImage_GetWidth(picture)),
                           static_cast<int>(FreeImage_GetHeight(picture)),
                           ExifColorSpaceFor(color)};
    if (metadata.writeInto(written, holder) || IsReadableTiff(path))
        return true;
    return SaveToFileChecked(picture, FIF_TIFF, path, saveFlags);
}

// Saves the picture as gJob.OutputFile, with the source's metadata in a TIFF.
bool SaveOutput(FIBITMAP* picture, LoadedSource& source, const SourceDetails& kept,
                const PictureColor& color) {
    // Writing over the file being converted would destroy the only copy of the source.
    if (SameFile(gJob.OutputFile, gJob.InputFile))
        return false;
    auto addMetadata = [&](const std::string& temporaryPath) {
        return AddMetadataOrKeepWithout(picture, temporaryPath, *source.metadata,
                                        kept.metadataHolder.get(), color, gJob.SaveFlags);
    };
    bool toTiff = gJob.OutputFif == FIF_TIFF;
    return SavePictureAtomically(picture, gJob.OutputFif, gJob.OutputFile, gJob.SaveFlags,
                                 toTiff ? FinishSavedFile(addMetadata) : FinishSavedFile());
}

// For the window's progress bar: the worker is at this stage of the current file.
void ReportStage(FileStage stage) {
    std::lock_guard lock(gRunMutex);
    gProgress.CurrentStage = stage;
}

} // namespace

bool ConvertOneFile() {
    const Settings& settings = gSettings;
    const bool toTiff = gJob.OutputFif == FIF_TIFF;
    LoadedSource source;
    LoadSource(source, gJob.InputFile, LoadRequestFrom(settings), toTiff);
    Picture picture = std::move(source.picture);
    const int32_t sourceBpp = PictureBpp(picture);
    if (PictureWidth(picture) == 0 || PictureHeight(picture) == 0)
        return false;

    ReportStage(kStageSteps);
    PictureColor color = ColorOfSource(source, picture.get());
    SourceDetails kept = KeepSourceDetails(picture.get());
    picture = ApplyRotation(std::move(picture), RotationRequestFrom(settings));
    picture = ApplyResize(std::move(picture), ResizeRequestFrom(settings), PictureWidth(picture),
                          PictureHeight(picture));
    // Every later step that takes a size takes this one: the frame and the watermark are
    // placed on the picture as resizing left it.
    const int width = PictureWidth(picture), height = PictureHeight(picture);
    const int32_t depth =
        OutputDepthFor(gJob.ConversionType, gJob.AutoBpp ? 0 : gJob.OutputBpp, sourceBpp);

    // What this file becomes, for the watermark text's placeholders and the output name.
    gJob.SourceBpp = sourceBpp;
    gJob.OutputBpp = depth;
    gJob.ImageWidthAfter = width;
    gJob.ImageHeightAfter = height;
    gJob.FrameNumber = 1;
    gJob.OutputFile = BuildOutputPath();

    ToneMappingRequest toneMapping = ToneMappingRequestFrom(settings);
    picture = ApplyToneMapping(std::move(picture), toneMapping);
    if (ToneMappingRendersForDisplay(toneMapping))
        color = {ColorEncoding::Srgb, {}};
    picture = ApplyFlips(std::move(picture), FlipRequestFrom(settings));
    picture = ApplyColorAdjustment(std::move(picture), ColorAdjustmentRequestFrom(settings));
    picture = ApplyGreyscale(std::move(picture), GreyscaleRequestFrom(settings));
    picture = ApplyThreshold(std::move(picture), ThresholdRequestFrom(settings));
    picture = ApplyDither(std::move(picture), DitherRequestFrom(settings));
    picture = ApplyDrawnFrame(std::move(picture), FrameRequestFrom(settings), width, height);
    picture = ApplyDrawnWatermark(std::move(picture), settings, width, height);
    picture = ConvertToOutputDepth(std::move(picture), depth, gJob.ConversionType);
    picture =
        SeparateForPrint(std::move(picture), toTiff && settings.TiffColorMode == kColorCmyk, color);
    if (picture)
        RestoreSourceDetails(picture.get(), kept, color);

    ReportStage(kStageSave);
    return SaveOutput(picture.get(), source, kept, color);
}

} // namespace velmora
