#include "engine/prepare_run.h"

#include "engine/format_registry.h"
#include "engine/picture_files.h"
#include "imageops/cmyk_separation.h"
#include "imageops/color_profile.h"
#include "imageops/drawn_steps.h"
#include "imageops/watermark_picture.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <span>
#include <type_traits>

namespace velmora {
namespace {

using Refused = std::optional<RunRefusal>;

// The steps of the checks: each may list lines, fill in the plan, and refuse the run.
struct Preparation {
    const Settings& settings;
    const RunRequest& request;
    RunPlan& plan;

    void list(std::string_view label, std::string_view value) const {
        if (request.listing)
            request.listing(std::string(label) + std::string(value));
    }
};
using Step = Refused (*)(Preparation&);

Refused Refuse(RunCheck check, std::string subject = {}) {
    return RunRefusal{check, std::move(subject)};
}

int64_t IntegerOf(const SettingSpec& spec, const Settings& settings) {
    return std::visit(
        [&](auto member) -> int64_t {
            const auto& value = settings.*member;
            if constexpr (std::is_integral_v<std::decay_t<decltype(value)>>)
                return value;
            else
                return 0;
        },
        spec.field);
}

// The value as the listing shows it: a choice as its word, a number in decimal (the real
// with two decimals), a text as it is; a number with its unit's word or its pair after "/".
std::string ListedValue(const SettingSpec& spec, const Settings& settings) {
    std::string text = std::visit(
        [&](auto member) -> std::string {
            const auto& value = settings.*member;
            using Value = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<Value, std::string>)
                return value;
            else if constexpr (std::is_same_v<Value, float>)
                return WithTwoDecimals(value);
            else if (spec.choices)
                return ValueToKeyword(*spec.choices, value);
            else
                return std::to_string(static_cast<int64_t>(value));
        },
        spec.field);
    if (spec.unit)
        text += " " + ValueToKeyword(*FindSetting(spec.unit)->choices, settings.*spec.unit);
    if (spec.pairedWith)
        text += "/" + std::to_string(settings.*spec.pairedWith);
    return text;
}

// The console checks every value its rows refuse; the window's controls hold no value
// outside a range, so it checks only what they can hold and a run cannot take.
bool Refuses(const SettingSpec& spec, const Settings& settings, RunFace face) {
    switch (spec.listing.refusal) {
    case Refusal::None:
        return false;
    case Refusal::Zero:
        return IntegerOf(spec, settings) == 0;
    case Refusal::OutsideRange:
        if (face != RunFace::Console)
            return false;
        if (spec.realRange)
            return !spec.realRange->Contains(settings.*std::get<float Settings::*>(spec.field));
        return spec.range && !spec.range->Contains(static_cast<int32_t>(IntegerOf(spec, settings)));
    }
    return false;
}

// Lists the rows of one config.ini group (of one format, when given) that the listing shows
// while their switch is on, each followed by its check.
Refused WalkGroup(const Preparation& run, std::string_view group, std::string_view format = {}) {
    for (const SettingSpec& spec : SettingTable()) {
        if (spec.group != group || spec.format != format || spec.listing.label.empty())
            continue;
        if (spec.listing.when.field && !spec.listing.when.isOn(run.settings))
            continue;
        run.list(spec.listing.label, ListedValue(spec, run.settings));
        if (Refuses(spec, run.settings, run.request.face))
            return RunRefusal{RunCheck::Setting, {}, &spec};
    }
    return {};
}

// The console's input: a file with an extension and something in it.
Refused CheckTypedInput(Preparation& run) {
    const std::string& input = run.request.input;
    run.list("Input: ", input);
    if (ExtensionOf(input).empty() || FileSize(input) <= 0)
        return Refuse(RunCheck::InputFile, input);
    run.plan.inputFile = input;
    return {};
}

Refused CheckInputList(Preparation&) {
    return gInputFileMap.empty() ? Refuse(RunCheck::NoInputFiles) : Refused();
}

// Without an output folder the output goes next to the input. A relative input is relative
// to the current folder, so its folder is made absolute here; only a folder the user names is
// taken relative to the program's folder.
std::string FolderNextToInput(const std::string& input) {
    std::string folder = FolderOf(input);
    if (folder.empty() || folder.front() != '/')
        folder = CurrentFolder() + (StartsWith(folder, "./") ? folder.substr(2) : folder);
    return folder;
}

Refused ResolveTypedOutputFolder(Preparation& run) {
    std::string folder = run.request.outputFolder;
    if (folder.empty())
        folder = FolderNextToInput(run.plan.inputFile);
    run.list("Output: ", folder);
    if (StartsWith(folder, ".."))
        return Refuse(RunCheck::OutputFolderAbove, folder);
    if (folder.front() != '/') {
        if (StartsWith(folder, "./"))
            folder.erase(0, 2);
        folder = run.request.programFolder + folder;
    }
    run.plan.outputFolder = WithTrailingSlash(folder);
    if (!FolderCanTakeFiles(run.plan.outputFolder))
        return Refuse(RunCheck::OutputFolder, run.plan.outputFolder);
    return {};
}

// The window's folder is chosen in a dialog or typed into its field: it must be there.
Refused CheckChosenOutputFolder(Preparation& run) {
    if (run.request.outputFolder.empty())
        return Refuse(RunCheck::EmptyOutputFolder);
    run.plan.outputFolder = WithTrailingSlash(run.request.outputFolder);
    if (!FolderCanTakeFiles(run.plan.outputFolder))
        return Refuse(RunCheck::OutputFolder, run.plan.outputFolder);
    return {};
}

Refused ChooseFormat(Preparation& run) {
    run.plan.inputGroup = EnabledInputGroups().front();
    run.plan.conversionType = run.request.conversionType.empty() ? EnabledOutputFormats().front()
                                                                 : run.request.conversionType;
    return {};
}

Refused CheckConversionType(Preparation& run) {
    ChooseFormat(run);
    run.list("Conversion: ", run.plan.conversionType);
    if (!IsEnabledOutput(run.plan.conversionType))
        return Refuse(RunCheck::ConversionType, run.plan.conversionType);
    return {};
}

Refused ListInputGroup(Preparation& run) {
    return WalkGroup(run, "Input", run.plan.inputGroup);
}

// Which profile CMYK output is separated into (listed for CMYK output and whenever one is
// named); a named file that is no CMYK printer profile would otherwise fall back on the
// formula for every file without a word.
Refused CheckCmykProfile(const Preparation& run) {
    const std::string& path = run.settings.CmykProfile;
    if (path.empty() && ChoiceOf<ColorMode>(run.settings.TiffColorMode) != ColorMode::Cmyk)
        return {};
    if (path.empty()) {
        run.list("TIFF CMYK Profile: ", "built-in separation (grey-component replacement)");
        return {};
    }
    const std::string& profile = CmykPrinterProfile(path);
    run.list("TIFF CMYK Profile: ",
             profile.empty() ? path : path + " (" + IccDescription(profile) + ")");
    return profile.empty() ? Refuse(RunCheck::CmykProfile, path) : Refused();
}

// The window checks the profile for the output format its Output page chose.
Refused CheckChosenCmykProfile(Preparation& run) {
    return ToLower(run.settings.OutputFormat) == "tiff" ? CheckCmykProfile(run) : Refused();
}

Refused CheckOutputFormat(Preparation& run) {
    const std::string& format = run.plan.conversionType;
    const OutputFormat* entry = FindOutputFormat(format);
    if (!entry)
        return Refuse(RunCheck::ConversionType, format);
    if (Refused refused = WalkGroup(run, "Output", format))
        return refused;
    if (!IsValidBpp(format, run.settings.*(entry->depthField)))
        return Refuse(RunCheck::Depth, format);
    if (format == "tiff")
        if (Refused refused = CheckCmykProfile(run))
            return refused;
    // A quality of 0 is stored and offered, but no encoder makes anything of it.
    auto refusesQuality = [](int32_t quality) {
        return quality == 0 || !kQualityRange.Contains(quality);
    };
    if ((format == "jpg" && refusesQuality(run.settings.JpgQuality)) ||
        (format == "webp" && refusesQuality(run.settings.WebpQuality)))
        return Refuse(RunCheck::Quality, format);
    if (run.settings.SaveThreads < 0)
        return Refuse(RunCheck::Threads);
    return {};
}

Refused CheckTransform(Preparation& run) {
    return WalkGroup(run, "Transform");
}

Refused CheckAdjustment(Preparation& run) {
    return WalkGroup(run, "Adjustment");
}

Refused ListFrame(Preparation& run) {
    return WalkGroup(run, "Frame");
}

Refused ListWatermark(Preparation& run) {
    return WalkGroup(run, "Watermark");
}

Refused ListNaming(Preparation& run) {
    return WalkGroup(run, "Advanced");
}

// A text watermark's font is loaded once for the run: the drawing of each file uses it.
Refused CheckWatermarkFont(Preparation& run) {
    const Settings& s = run.settings;
    if (ChoiceOf<WatermarkKind>(s.DoWatermark) != WatermarkKind::Text)
        return {};
    const DrawnSteps* drawn = LoadDrawnSteps();
    if (!drawn ||
        !drawn->loadWatermarkFont(s.FontName, s.FontSize, ChoiceOf<FontStyle>(s.FontStyle),
                                  ChoiceOf<FontEffect>(s.FontEffect)))
        return Refuse(RunCheck::WatermarkFont, s.FontName);
    return {};
}

// Decoded once here: a picture that cannot be would leave every file unmarked.
Refused CheckWatermarkPicture(Preparation& run) {
    const std::string& picture = run.settings.WatermarkImage;
    if (ChoiceOf<WatermarkKind>(run.settings.DoWatermark) != WatermarkKind::Image)
        return {};
    if (picture.empty())
        return Refuse(RunCheck::EmptyWatermarkImage);
    if (!LoadWatermarkPicture(picture))
        return Refuse(RunCheck::WatermarkImage, picture);
    return {};
}

// The console lists each setting as it checks it; the window tells of the first refusal in
// a message box.
constexpr Step kConsoleSteps[] = {
    CheckTypedInput,   ResolveTypedOutputFolder, CheckConversionType,   ListInputGroup,
    CheckOutputFormat, CheckTransform,           CheckAdjustment,       ListFrame,
    ListWatermark,     CheckWatermarkFont,       CheckWatermarkPicture, ListNaming,
};
constexpr Step kWindowSteps[] = {
    CheckInputList,     ChooseFormat,           CheckChosenOutputFolder, CheckTransform,
    CheckWatermarkFont, CheckChosenCmykProfile, CheckWatermarkPicture,
};

void ResolveOutput(const Settings& settings, RunPlan& plan) {
    const OutputFormat* format = FindOutputFormat(plan.conversionType);
    if (!format)
        return;
    plan.outputFif = format->fif;
    plan.requestedBpp = settings.*(format->depthField);
    plan.saveFlags = SaveFlagsFor(plan.conversionType, settings);
}

} // namespace

PreparedRun PrepareRun(const Settings& settings, const RunRequest& request) {
    PreparedRun prepared;
    prepared.plan.face = request.face;
    Preparation run{settings, request, prepared.plan};
    std::span<const Step> steps = request.face == RunFace::Console
                                      ? std::span<const Step>(kConsoleSteps)
                                      : std::span<const Step>(kWindowSteps);
    for (Step step : steps) {
        prepared.refusal = step(run);
        if (prepared.refusal)
            return prepared;
    }
    ResolveOutput(settings, prepared.plan);
    return prepared;
}

// Only a text watermark loads a font; other runs never open the drawing library for this.
void FreeRunResources(const Settings& settings) {
    if (ChoiceOf<WatermarkKind>(settings.DoWatermark) != WatermarkKind::Text)
        return;
    if (const DrawnSteps* drawn = LoadDrawnSteps())
        drawn->freeWatermarkFont();
}

std::string ConsoleRefusalText(const RunRefusal& refusal) {
    switch (refusal.check) {
    case RunCheck::InputFile:
    case RunCheck::NoInputFiles:
        return "Invalid input file";
    case RunCheck::OutputFolderAbove:
        return "Incorrect output folder";
    case RunCheck::EmptyOutputFolder:
    case RunCheck::OutputFolder:
        return "Invalid output folder";
    case RunCheck::ConversionType:
        return "Invalid conversion type";
    case RunCheck::Depth:
        return "Invalid " + refusal.subject + "-bpp value";
    case RunCheck::CmykProfile:
        return "Invalid CMYK profile";
    case RunCheck::Quality:
        return "Invalid " + refusal.subject + "-quality value";
    case RunCheck::Threads:
        return "Invalid threads value";
    case RunCheck::Setting:
        return "Invalid " + std::string(refusal.setting->listing.refusedAs) + " value";
    case RunCheck::WatermarkFont:
        return "Invalid watermark font";
    case RunCheck::EmptyWatermarkImage:
    case RunCheck::WatermarkImage:
        return "Invalid watermark image";
    }
    return {};
}

} // namespace velmora
