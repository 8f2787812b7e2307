#include "cli/console_main.h"

#include "cli/catalogue/catalogue.h"
#include "cli/help.h"
#include "cli/option_table.h"
#include "engine/batch_driver.h"
#include "engine/format_registry.h"
#include "platform/console.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace velmora {
namespace {

bool IsOneLetterWord(std::string_view word) {
    return word.size() == 2 && word[0] == '-';
}

bool ValueIsMissing(const OptionRow& row, const std::string& value) {
    if (value.empty())
        return true;
    // Options with a one-letter twin refuse any leading dash; long-only ones refuse only
    // "--", so that negative numbers pass.
    return row.shortName.empty() ? StartsWith(value, "--") : value.front() == '-';
}

// A value split by the shell at its spaces comes back together up to its closing quote.
std::string JoinQuotedValue(const Arguments& arguments, size_t& index, std::string value) {
    if (StartsWith(value, "\"") && !EndsWith(value, "\"")) {
        while (index + 1 < arguments.size()) {
            ++index;
            value += " " + OptionValue(arguments, index);
            if (EndsWith(value, "\""))
                break;
        }
    }
    return WithoutOuterQuotes(value);
}

// Reads the value of the option at index (advancing index past a short form's value) and
// applies it; sets the error text when the value is missing.
void HandleOption(const OptionRow& row, const std::string& word, const Arguments& arguments,
                  size_t& index, DriverState& state) {
    if (row.kind == ValueKind::Flag) {
        ApplyOptionValue(row, {}, state);
        return;
    }
    // A long option whose value may be left out has none when it is written without "=".
    if (row.valueOptional && !IsOneLetterWord(word) &&
        arguments[index].find('=') == std::string::npos) {
        ApplyOptionValue(row, {}, state);
        return;
    }
    if (IsOneLetterWord(word))
        ++index;
    std::string value = OptionValue(arguments, index);
    if (ValueIsMissing(row, value) && !(row.valueOptional && value.empty())) {
        state.errorText = "Incorrect number of parameters";
        return;
    }
    if (row.quotes == QuoteRule::Joined)
        value = JoinQuotedValue(arguments, index, value);
    else if (row.quotes == QuoteRule::QuotesOnly)
        value = WithoutOuterQuotes(value);
    ApplyOptionValue(row, value, state);
}

} // namespace

const std::vector<FirstArgumentWord>& FirstArgumentWords() {
    static const std::vector<FirstArgumentWord> words = {
        {"-U", FirstWordMode::UninstallWindow},
        {"-T", FirstWordMode::Screenshots},
        {"-V",
         FirstWordMode::Version,
         {HelpBlock::Other, 3, "Display version information and exit"}},
        {"--VERSION", FirstWordMode::Version},
        {"-H", FirstWordMode::Help, {HelpBlock::Options, 0, "Display this help and exit"}},
        {"-?", FirstWordMode::Help},
        {"--HELP", FirstWordMode::Help},
    };
    return words;
}

DriverState RunOptionLoop(const Arguments& arguments) {
    DriverState state;
    for (size_t index = 0; index < arguments.size() && state.errorText.empty(); ++index) {
        std::string word = OptionName(arguments, index);
        if (const OptionRow* row = FindOptionByWord(word))
            HandleOption(*row, word, arguments, index, state);
    }
    return state;
}

namespace {

DriverResult Exit(int code) {
    DriverResult result;
    result.exitCode = code;
    return result;
}

// The run goes on in a window that the entry code opens.
DriverResult HandOver(NextStep next) {
    DriverResult result;
    result.next = next;
    return result;
}

int ExitCodeOf(BatchOutcome outcome) {
    switch (outcome) {
    case BatchOutcome::Converted:
        return kExitOk;
    case BatchOutcome::InvalidSettings:
        return kExitError;
    case BatchOutcome::NothingConverted:
        return kExitNothingConverted;
    }
    return kExitError;
}

const FirstArgumentWord* FirstWordOf(const Arguments& arguments) {
    std::string first = OptionName(arguments, 0);
    for (const FirstArgumentWord& entry : FirstArgumentWords())
        if (entry.word == first)
            return &entry;
    return nullptr;
}

void PrepareConsoleRecords() {
    RebuildAcceptedInputExtensions();
    InitConversionJob();
    SettingsDefaults(true);
    LoadCatalogue();
}

} // namespace

std::optional<std::string> WindowStartInput(const Arguments& arguments) {
    if (arguments.empty())
        return std::string();
    if (FirstWordOf(arguments))
        return std::nullopt;
    PrepareConsoleRecords();
    DriverState state = RunOptionLoop(arguments);
    if (!state.errorText.empty() || gJob.CommandLineRun != 0)
        return std::nullopt;
    return state.windowInput;
}

DriverResult ConsoleMain(const Arguments& arguments, const std::string& invokedAs) {
    if (arguments.empty())
        return HandOver(NextStep::OpenGraphicalFace);

    PrepareConsoleRecords();
    if (const FirstArgumentWord* entry = FirstWordOf(arguments)) {
        switch (entry->mode) {
        case FirstWordMode::UninstallWindow:
            return HandOver(NextStep::UninstallWindow);
        case FirstWordMode::Screenshots: {
            gJob.RunMode = "T";
            DriverResult result = HandOver(NextStep::Screenshots);
            result.screenshotFolder = OptionValue(arguments, 1);
            return result;
        }
        case FirstWordMode::Version:
            PrintVersion();
            return Exit(kExitOk);
        case FirstWordMode::Help:
            PrintHelp(invokedAs);
            return Exit(kExitOk);
        }
    }

    DriverState state = RunOptionLoop(arguments);
    if (!state.errorText.empty()) {
        SetConsoleTitle(ProgramTitle());
        PrintLine("Error: " + state.errorText);
        if (state.pause)
            WaitForKey();
        return Exit(kExitError);
    }
    if (gJob.CommandLineRun == 0) {
        DriverResult result = HandOver(NextStep::OpenGraphicalFace);
        result.windowInput = state.windowInput;
        return result;
    }

    SetConsoleTitle(ProgramTitle());
    if (!state.quiet)
        PrintBanner();
    int exitCode = ExitCodeOf(BatchDriver({.input = gJob.InputFolder,
                                           .outputFolder = gJob.OutputFolder,
                                           .conversionType = gJob.ConversionType,
                                           .programFolder = gJob.ProgramFolder,
                                           .debug = gJob.RunMode == "DEBUG",
                                           .quiet = state.quiet}));
    if (state.pause) {
        PrintLine("Press any key to exit.");
        WaitForKey();
    }
    return Exit(exitCode);
}

} // namespace velmora
