#include "gui/window_job.h"

#include "engine/batch_driver.h"
#include "engine/format_registry.h"
#include "engine/pipeline.h"
#include "imageops/cmyk_separation.h"
#include "imageops/drawn/watermark_font.h"
#include "imageops/watermark_picture.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/keywords.h"
#include "settings/settings.h"

namespace velmora {

void ResetWindowJob() {
    gJob.ProjectFile = "untitled.vlm";
    gJob.InputFile.clear();
    gJob.InputFolder.clear();
    gJob.RelativeSubfolder.clear();
    gJob.OutputFile.clear();
    gJob.OutputFolder.clear();
    gInputFileMap.clear();
}

bool AcceptInputFile(const std::string& path) {
    if (FileSize(path) <= 0 || !IsAcceptedExtension(ToLower(ExtensionOf(path))))
        return false;
    gInputFileMap.clear();
    gJob.InputFile = path;
    return AddInputFile(path) == 1;
}

std::optional<StartRefusal> CheckConversionStart(std::string& outputFolder) {
    const Settings& s = gSettings;
    if (gInputFileMap.empty())
        return StartRefusal{"Empty input files", {}};
    if (outputFolder.empty())
        return StartRefusal{"Empty output folder", {}};
    outputFolder = WithTrailingSlash(outputFolder);
    if (!FolderCanTakeFiles(outputFolder))
        return StartRefusal{"Invalid output folder", outputFolder};
    if (s.DoImageResize && s.ImageWidth == 0)
        return StartRefusal{"Invalid width", {}};
    if (s.DoImageResize && s.ImageHeight == 0)
        return StartRefusal{"Invalid height", {}};
    if (s.DoWatermark == kWatermarkText &&
        !LoadWatermarkFont(s.FontName, s.FontSize, s.FontStyle, s.FontEffect))
        return StartRefusal{"Invalid watermark font", s.FontName};
    if (ToLower(s.OutputFormat) == "tiff" && !s.CmykProfile.empty() &&
        CmykPrinterProfile(s.CmykProfile).empty())
        return StartRefusal{"Invalid CMYK profile", s.CmykProfile};
    if (s.DoWatermark == kWatermarkImage) {
        if (s.WatermarkImage.empty())
            return StartRefusal{"Empty watermark image", {}};
        if (!LoadWatermarkPicture(s.WatermarkImage))
            return StartRefusal{"Invalid watermark image", s.WatermarkImage};
    }
    return std::nullopt;
}

void PrepareWindowJob(const std::string& outputFolder, const std::string& formatKeyword) {
    gJob.OutputFolder = outputFolder;
    gJob.InputFolder.clear();
    if (gJob.InputGroup.empty())
        gJob.InputGroup = EnabledInputGroups().front();
    gJob.ConversionType = formatKeyword;
    if (const OutputFormat* format = FindOutputFormat(formatKeyword)) {
        gJob.OutputFif = format->fif;
        gJob.OutputBpp = gSettings.*(format->depthField);
    }
    gJob.SaveFlags = SaveFlagsFor(formatKeyword, gSettings);
    gJob.AutoBpp = gJob.OutputBpp == 0 ? 1 : 0;
}

} // namespace velmora
