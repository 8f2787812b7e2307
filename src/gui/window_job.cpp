#include "gui/window_job.h"

#include "engine/batch_driver.h"
#include "engine/format_registry.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace velmora {
namespace {

// The window tells of a refusal with its catalogue message, filled with what it is about.
StartRefusal RefusalMessage(const RunRefusal& refusal, const Settings& s) {
    switch (refusal.check) {
    case RunCheck::NoInputFiles:
        return {"Empty input files", {}};
    case RunCheck::EmptyOutputFolder:
        return {"Empty output folder", {}};
    case RunCheck::Setting: // "Invalid width", "Invalid height"
        return {"Invalid " + std::string(refusal.setting->listing.refusedAs), {}};
    case RunCheck::WatermarkFont:
        return {"Invalid watermark font", s.FontName};
    case RunCheck::CmykProfile:
        return {"Invalid CMYK profile", refusal.subject};
    case RunCheck::EmptyWatermarkImage:
        return {"Empty watermark image", {}};
    case RunCheck::WatermarkImage:
        return {"Invalid watermark image", refusal.subject};
    case RunCheck::ConversionType:
        return {"Invalid conversion type", {}};
    // The window's other refusals are the output folder's; the console's own checks (the
    // typed input, depth, quality, threads) are not the window's.
    case RunCheck::OutputFolder:
    case RunCheck::InputFile:
    case RunCheck::OutputFolderAbove:
    case RunCheck::Depth:
    case RunCheck::Quality:
    case RunCheck::Threads:
        break;
    }
    return {"Invalid output folder", refusal.subject};
}

} // namespace

void ResetWindowJob() {
    gJob.ProjectFile = "untitled.vlm";
    gJob.InputFolder.clear();
    gJob.OutputFolder.clear();
    gInputFileMap.clear();
}

bool AcceptInputFile(const std::string& path) {
    if (FileSize(path) <= 0 || !IsAcceptedExtension(ToLower(ExtensionOf(path))))
        return false;
    gInputFileMap.clear();
    return AddInputFile(path, gJob.InputFolder) == 1;
}

std::variant<RunPlan, StartRefusal> PrepareWindowRun(const std::string& outputFolder,
                                                     const std::string& formatKeyword) {
    PreparedRun prepared = PrepareRun(gSettings, {.face = RunFace::Window,
                                                  .outputFolder = outputFolder,
                                                  .conversionType = formatKeyword,
                                                  .programFolder = gJob.ProgramFolder});
    if (!prepared)
        return RefusalMessage(*prepared.refusal, gSettings);
    gJob.OutputFolder = prepared.plan.outputFolder;
    gJob.InputFolder.clear();
    gJob.ConversionType = formatKeyword;
    return prepared.plan;
}

} // namespace velmora
