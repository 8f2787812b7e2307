#include "engine/batch_driver.h"

#include "cli/catalogue/catalogue.h"
#include "cli/catalogue/fill_template.h"
#include "engine/format_registry.h"
#include "engine/pipeline.h"
#include "engine/signature_sniffer.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/picture_heap.h"
#include "platform/text.h"
#include "settings/keywords.h"
#include "settings/settings.h"

#include <algorithm>
#include <thread>

namespace velmora {
namespace {

void StampOutputDate(const Settings& settings, const std::string& input,
                     const std::string& output) {
    switch (ChoiceOf<Timestamp>(settings.FileTimestamp)) {
    case Timestamp::Original:
        if (auto time = ModificationTime(input))
            SetModificationTime(output, *time);
        break;
    case Timestamp::Custom:
        SetModificationTime(output, FileTime{settings.CustomTimestamp, 0});
        break;
    case Timestamp::Current:
        break;
    }
}

std::string Msg(std::string_view key) {
    return CatalogueText("Msg", key);
}

// A failed file's reason: on standard error for the console (whatever quiet says), and in
// the progress record for the window.
void ReportFailure(const RunPlan& plan, const std::string& file, const FileResult& result) {
    if (plan.face == RunFace::Console)
        PrintErrorLine(file, result.reason);
    std::lock_guard lock(gRunMutex);
    gProgress.Failures.push_back({file, result.reason});
}

// For the window's progress bar: the worker is at this stage of the current file.
void ReportStage(FileStage stage) {
    std::lock_guard lock(gRunMutex);
    gProgress.CurrentStage = stage;
}

// While the window asks whether to stop, it holds the run mutex: a check waits for the answer.
bool RunStopRequested() {
    std::lock_guard lock(gRunMutex);
    return gProgress.Running != 1;
}

} // namespace

void InitConversionJob() {
    gJob = ConversionJob{};
    gJob.ProgramFolder = ExecutableFolder();
    gJob.RandomNumber = RandomInRange(1, 99999);
    gJob.FileCounter = 1;
    gInputFileMap.clear();
    RebuildAcceptedInputExtensions();
}

int AddInputFile(const std::string& path, const std::string& inputFolder) {
    if (FileSize(path) <= 0 || !IsAcceptedExtension(ToLower(ExtensionOf(path))))
        return 0;
    if (gInputFileMap.count(path))
        return 0;
    InputFileEntry entry;
    if (!inputFolder.empty() && StartsWith(path, inputFolder))
        entry.RelativeSubfolder = FolderOf(path.substr(inputFolder.size()));
    gInputFileMap.emplace(path, entry);
    return 1;
}

void ConversionWorker(const RunPlan& plan, bool verbose) {
    const Settings& settings = gSettings;
    int32_t index = 0, converted = 0;
    int64_t lastDuration = 0;
    {
        std::lock_guard lock(gRunMutex);
        gProgress.Failures.clear();
    }
    for (const auto& [path, entry] : gInputFileMap) {
        {
            std::lock_guard lock(gRunMutex);
            if (gProgress.Running != 1)
                break;
            ++index;
            gProgress.CurrentIndex = index;
            gProgress.CurrentFile = path;
            gProgress.CurrentStage = kStageDecode;
            gProgress.LastDuration = lastDuration;
        }
        if (verbose) {
            PrintLine("Processing: " + path);
            PrintLine("File Format: " + SignatureSniffer(path));
        }
        const FileJob job{.inputFile = path,
                          .relativeSubfolder = entry.RelativeSubfolder,
                          .plan = plan,
                          .randomNumber = gJob.RandomNumber,
                          .fileCounter = gJob.FileCounter,
                          .stopped = RunStopRequested,
                          .reached = ReportStage};
        int64_t start = ElapsedMilliseconds();
        FileResult result = ConvertOneFile(job, settings);
        if (result) {
            if (verbose)
                PrintLine("[OK] Saving As: " + result.outputFile);
            ++converted;
            lastDuration = std::max<int64_t>(ElapsedMilliseconds() - start, 1000);
            gJob.RandomNumber = RandomInRange(1, 99999);
            gJob.FileCounter += 1;
            StampOutputDate(settings, path, result.outputFile);
        } else {
            lastDuration = 0;
            if (verbose)
                PrintLine("[ERROR] Unable to convert the file!");
            ReportFailure(plan, path, result);
        }
    }
    // A console run ends the process next, which gives everything back at once.
    if (plan.face != RunFace::Console)
        ReleasePictureHeap();
    std::lock_guard lock(gRunMutex);
    gProgress.ConvertedCount = converted;
}

BatchOutcome BatchDriver(const BatchRequest& request) {
    const Settings& settings = gSettings;
    if (!request.quiet)
        PrintLine(CatalogueText("General", "Preparing"));

    RunRequest run{.face = RunFace::Console,
                   .input = request.input,
                   .outputFolder = request.outputFolder,
                   .conversionType = request.conversionType,
                   .programFolder = request.programFolder};
    if (request.debug)
        run.listing = [](const std::string& line) { PrintLine(line); };
    const PreparedRun prepared = PrepareRun(settings, run);
    if (!prepared) {
        PrintLine("Error: " + ConsoleRefusalText(*prepared.refusal));
        FreeRunResources(settings);
        return BatchOutcome::InvalidSettings;
    }
    const RunPlan& plan = prepared.plan;

    if (!request.quiet)
        PrintLine(CatalogueText("General", "Importing"));
    int32_t imported = 0;
    std::string extension = ToLower(ExtensionOf(plan.inputFile));
    if (extension != "txt" && extension != "lst")
        imported = AddInputFile(plan.inputFile);
    gProgress.ConvertedCount = imported;
    if (!request.quiet)
        PrintLine(FillTemplate(Msg("Import complete"), std::to_string(imported)));
    if (imported == 0) {
        PrintLine(Msg("Conversion is not complete"));
        PrintLine(Msg("Empty input files"));
        FreeRunResources(settings);
        return BatchOutcome::NothingConverted;
    }

    if (!request.quiet)
        PrintLine(CatalogueText("General", "Converting"));
    {
        std::lock_guard lock(gRunMutex);
        gProgress.CurrentIndex = 0;
        gProgress.CurrentFile.clear();
        gProgress.ConvertedCount = 0;
        gProgress.Running = 1;
    }
    std::thread worker([&] { ConversionWorker(plan, request.debug); });
    worker.join();

    int32_t converted;
    {
        std::lock_guard lock(gRunMutex);
        converted = gProgress.ConvertedCount;
    }
    if (converted > 0 && !request.quiet) {
        PrintLine(Msg("Conversion complete"));
        PrintLine(FillTemplate(Msg("Files converted"), std::to_string(converted),
                               std::to_string(imported)));
    } else if (converted == 0) {
        PrintLine(Msg("Conversion is not complete"));
    }
    FreeRunResources(settings);
    return converted > 0 ? BatchOutcome::Converted : BatchOutcome::NothingConverted;
}

} // namespace velmora
