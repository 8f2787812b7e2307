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

#include <functional>
#include <optional>

namespace velmora {
namespace {

constexpr int64_t kSmallSourceBytes = 2 << 20;

// The decoded input and, for a TIFF output, the source's metadata.
struct LoadedSource {
    Picture picture;
    PictureOrigin origin = PictureOrigin::None;
    RowOrder rows = RowOrder::FreeImage;
    std::optional<PendingMetadata> metadata;
};

// A preview, or a small source, decodes in milliseconds with little memory beside the
// program's own, and reading its metadata meanwhile saves those milliseconds. Otherwise the
// reading waits until LibRaw has given its raw data back (or the decode is over), so that
// neither it nor the libraries it opens (exiv2, and FreeImage with them) add to the decode's
// peak.
bool ReadMetadataAlongsideDecoding(const std::string& path, const LoadRequest& request) {
    return request.loadAs == RawLoadAs::Auto || FileSize(path) < kSmallSourceBytes;
}

void LoadSource(LoadedSource& source, const std::string& path, const LoadRequest& request,
                bool keepsMetadata, const StopRequested& stopped, std::string& why) {
    auto readMetadata = [&] {
        if (keepsMetadata && !source.metadata)
            source.metadata.emplace(path);
    };
    bool alongside = ReadMetadataAlongsideDecoding(path, request);
    if (alongside)
        readMetadata();
    source.picture =
        LoadInputPicture(path, request, &source.origin, readMetadata, stopped, &why, &source.rows);
    // LibRaw's buffers go back to the system before the save adds pages of its own.
    if (!alongside)
        ReturnFreedHeapMemory();
    if (source.picture)
        readMetadata();
}

// The colour the source's values are in, by how it was decoded and what it declares.
PictureColor ColorOfSource(LoadedSource& source, FIBITMAP* picture) {
    return SourceColor(source.origin, picture, [&] {
        return source.metadata ? source.metadata->declaredColor() : ExifColorDeclaration{};
    });
}

// Whether any step may change the picture, from each step's own switch. A picture none of
// them touches goes to the file as the decoder made it, and the decoder may leave its rows
// where they lie for the strip writer to read.
bool StepsMayChangePicture(const Settings& settings, bool cmyk) {
    const ToneMappingRequest toneMapping = ToneMappingRequestFrom(settings);
    const FlipRequest flips = FlipRequestFrom(settings);
    return RotationRequestFrom(settings).enabled || ResizeRequestFrom(settings).enabled ||
           (toneMapping.decodedWithMoreRange && toneMapping.mapping != ToneMapping::None) ||
           flips.horizontal || flips.vertical || ColorAdjustmentRequestFrom(settings).enabled ||
           GreyscaleRequestFrom(settings).enabled || ThresholdRequestFrom(settings).enabled ||
           DitherRequestFrom(settings).enabled ||
           FrameRequestFrom(settings).kind != FrameKind::None ||
           ChoiceOf<WatermarkKind>(settings.DoWatermark) != WatermarkKind::None || cmyk;
}

// Rows the decoder left as it made them stay so only when the strip writer saves the picture
// at its own depth; otherwise they are put in FreeImage's order now, before anything reads them.
void KeepDecodedRowsOnlyForTheWriter(LoadedSource& source, int32_t depth, int saveFlags) {
    FIBITMAP* picture = source.picture.get();
    if (source.rows != RowOrder::AsDecoded)
        return;
    if (depth == PictureBpp(source.picture) && TiffWriterTakes(picture, saveFlags))
        return;
    FinishDecodedRows(picture);
    source.rows = RowOrder::FreeImage;
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

// A LogLuv TIFF holds CIE luminance and chromaticity (FreeImage turns the float RGB into XYZ
// for libtiff's LogLuv coder): the values describe themselves, and an RGB profile on them
// would say they are something else.
PictureColor ColorAsSaved(const PictureColor& color, FIBITMAP* picture, const RunPlan& plan) {
    bool logLuv = plan.outputFif == FIF_TIFF && (plan.saveFlags & TIFF_LOGLUV) == TIFF_LOGLUV &&
                  FreeImage_GetImageType(picture) == FIT_RGBF;
    return logLuv ? PictureColor{} : color;
}

// The frame and the watermark come from the drawing library, opened only when a run asks
// for one of them; a run that wants one the library cannot give fails the file.
Picture ApplyDrawnFrame(Picture picture, const FrameRequest& request, int width, int height) {
    if (request.kind == FrameKind::None)
        return picture;
    const DrawnSteps* drawn = LoadDrawnSteps();
    return drawn ? drawn->applyFrame(std::move(picture), request, width, height) : nullptr;
}

// The watermark text's placeholders are expanded only for a run that draws one.
Picture ApplyDrawnWatermark(Picture picture, const Settings& settings, const NameFacts& facts,
                            int width, int height) {
    if (ChoiceOf<WatermarkKind>(settings.DoWatermark) == WatermarkKind::None)
        return picture;
    const DrawnSteps* drawn = LoadDrawnSteps();
    if (!drawn)
        return nullptr;
    WatermarkRequest request =
        WatermarkRequestFrom(settings, ExpandWatermarkText(settings.WatermarkText, facts));
    return drawn->applyWatermark(std::move(picture), request, width, height);
}

// CMYK separations are made from 32-bit pictures, the depth FreeImage writes as ink; other
// depths keep their colour and say so. The printer profile is the one the user named, if any
// (validated before the run).
Picture SeparateForPrint(Picture picture, bool separate, PictureColor& color,
                         const std::string& profilePath) {
    if (!separate)
        return picture;
    return SeparateIntoCmyk(std::move(picture), color,
                            profilePath.empty() ? std::string() : CmykPrinterProfile(profilePath));
}

// A picture whose metadata cannot be written is still worth keeping: when the rewrite
// failed and left the file unreadable, the picture is saved again without it.
bool AddMetadataOrKeepWithout(FIBITMAP* picture, RowOrder rows, const std::string& path,
                              PendingMetadata& metadata, FIBITMAP* holder,
                              const PictureColor& color, int saveFlags) {
    WrittenPicture written{path, static_cast<int>(FreeImage_GetWidth(picture)),
                           static_cast<int>(FreeImage_GetHeight(picture)),
                           ExifColorSpaceFor(color)};
    if (metadata.writeInto(written, holder) || IsReadableTiff(path))
        return true;
    return SaveToFileChecked(picture, FIF_TIFF, path, saveFlags, {}, 0, rows).saved;
}

// Saves the picture as outputFile, with the source's metadata in a TIFF.
SaveOutcome SaveOutput(FIBITMAP* picture, const FileJob& job, const std::string& outputFile,
                       int threads, LoadedSource& source, const SourceDetails& kept,
                       const PictureColor& color, const StopRequested& stopped) {
    // Writing over the file being converted would destroy the only copy of the source.
    if (SameFile(outputFile, job.inputFile))
        return {false, "the output would replace the file being converted"};
    const RunPlan& plan = job.plan;
    auto addMetadata = [&](const std::string& temporaryPath) {
        return AddMetadataOrKeepWithout(picture, source.rows, temporaryPath, *source.metadata,
                                        kept.metadataHolder.get(), color, plan.saveFlags);
    };
    bool toTiff = plan.outputFif == FIF_TIFF;
    return SavePictureAtomically(picture, plan.outputFif, outputFile, plan.saveFlags,
                                 toTiff ? FinishSavedFile(addMetadata) : FinishSavedFile(), stopped,
                                 threads, source.rows);
}

// One of the steps after resizing: its name for a failure, and the step itself.
struct Step {
    const char* name;
    std::function<Picture(Picture)> apply;
};

} // namespace

FileResult ConvertOneFile(const FileJob& job, const Settings& settings) {
    const RunPlan& plan = job.plan;
    const bool toTiff = plan.outputFif == FIF_TIFF;
    const StopRequested stopped = job.stopped ? job.stopped : StopRequested([] { return false; });
    auto reach = [&](FileStage stage) {
        if (job.reached)
            job.reached(stage);
    };
    const bool cmyk = toTiff && ChoiceOf<ColorMode>(settings.TiffColorMode) == ColorMode::Cmyk;
    LoadedSource source;
    std::string why;
    LoadRequest request = LoadRequestFrom(settings);
    request.rowsMayStayAsDecoded = toTiff && !StepsMayChangePicture(settings, cmyk);
    LoadSource(source, job.inputFile, request, toTiff, stopped, why);
    const int32_t sourceBpp = PictureBpp(source.picture);
    if (PictureWidth(source.picture) == 0 || PictureHeight(source.picture) == 0)
        return FileResult::Failed(FailedStage::Load, why);
    if (stopped())
        return FileResult::Failed(FailedStage::Stopped, kStoppedByUser);
    const int32_t depth = OutputDepthFor(plan.conversionType, plan.requestedBpp, sourceBpp);
    KeepDecodedRowsOnlyForTheWriter(source, depth, plan.saveFlags);
    Picture picture = std::move(source.picture);

    reach(kStageSteps);
    PictureColor color = ColorOfSource(source, picture.get());
    SourceDetails kept = KeepSourceDetails(picture.get());
    picture = ApplyRotation(std::move(picture), RotationRequestFrom(settings));
    if (!picture)
        return FileResult::Failed(FailedStage::Steps, "the rotation could not be made");
    const int rotatedWidth = PictureWidth(picture), rotatedHeight = PictureHeight(picture);
    picture =
        ApplyResize(std::move(picture), ResizeRequestFrom(settings), rotatedWidth, rotatedHeight);
    if (!picture)
        return FileResult::Failed(FailedStage::Steps, "the resize could not be made");
    // Every later step that takes a size takes this one: the frame and the watermark are
    // placed on the picture as resizing left it.
    const int width = PictureWidth(picture), height = PictureHeight(picture);

    // What this file becomes, for the watermark text's placeholders and the output name.
    const NameFacts facts{.inputFile = job.inputFile,
                          .conversionType = plan.conversionType,
                          .bpp = depth,
                          .width = width,
                          .height = height,
                          .frame = 1,
                          .randomNumber = job.randomNumber,
                          .fileCounter = job.fileCounter};
    const std::string outputFile =
        BuildOutputPath(plan.outputFolder, job.relativeSubfolder, settings, facts);
    auto failed = [&](FailedStage stage, std::string reason) {
        return FileResult::Failed(stage, std::move(reason), outputFile);
    };

    ToneMappingRequest toneMapping = ToneMappingRequestFrom(settings);
    const Step steps[] = {
        {"tone mapping",
         [&](Picture p) {
             if (ToneMappingRendersForDisplay(toneMapping))
                 color = {ColorEncoding::Srgb, {}};
             return ApplyToneMapping(std::move(p), toneMapping);
         }},
        {"flip", [&](Picture p) { return ApplyFlips(std::move(p), FlipRequestFrom(settings)); }},
        {"colour adjustment",
         [&](Picture p) {
             return ApplyColorAdjustment(std::move(p), ColorAdjustmentRequestFrom(settings));
         }},
        {"greyscale",
         [&](Picture p) { return ApplyGreyscale(std::move(p), GreyscaleRequestFrom(settings)); }},
        {"threshold",
         [&](Picture p) { return ApplyThreshold(std::move(p), ThresholdRequestFrom(settings)); }},
        {"dither",
         [&](Picture p) { return ApplyDither(std::move(p), DitherRequestFrom(settings)); }},
        {"frame",
         [&](Picture p) {
             return ApplyDrawnFrame(std::move(p), FrameRequestFrom(settings), width, height);
         }},
        {"watermark",
         [&](Picture p) {
             return ApplyDrawnWatermark(std::move(p), settings, facts, width, height);
         }},
        {"conversion to the output depth",
         [&](Picture p) { return ConvertToOutputDepth(std::move(p), depth, plan.conversionType); }},
        {"CMYK separation",
         [&](Picture p) {
             return SeparateForPrint(std::move(p), cmyk, color, settings.CmykProfile);
         }},
    };
    for (const Step& step : steps) {
        if (stopped())
            return failed(FailedStage::Stopped, kStoppedByUser);
        picture = step.apply(std::move(picture));
        if (!picture)
            return failed(FailedStage::Steps,
                          std::string("the ") + step.name + " could not be made");
    }
    color = ColorAsSaved(color, picture.get(), plan);
    RestoreSourceDetails(picture.get(), kept, color);

    reach(kStageSave);
    SaveOutcome saved = SaveOutput(picture.get(), job, outputFile, settings.SaveThreads, source,
                                   kept, color, stopped);
    if (!saved)
        return failed(FailedStage::Save, saved.reason);
    return FileResult::Converted(outputFile);
}

} // namespace velmora
