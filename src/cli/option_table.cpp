#include "cli/option_table.h"

#include "cli/profile.h"
#include "platform/text.h"
#include "settings/keywords.h"

namespace velmora {
namespace {

void SetInput(const std::string& value, DriverState&) {
    gJob.CommandLineRun = 1;
    gJob.InputFolder = value;
}
void SetOutput(const std::string& value, DriverState&) {
    gJob.OutputFolder = value;
}
// The last of --INPUT and --WINDOW decides between a console run and the window.
void SetWindowInput(const std::string& value, DriverState& state) {
    gJob.CommandLineRun = 0;
    state.windowInput = value;
}
void SetConversion(const std::string& value, DriverState&) {
    gJob.ConversionType = value;
}
void ApplyProfile(const std::string& value, DriverState& state) {
    if (!LoadProfile(value))
        state.errorText = "Invalid profile file";
}
void SetDebug(const std::string&, DriverState&) {
    gJob.RunMode = "DEBUG";
}
void SetQuiet(const std::string&, DriverState& state) {
    state.quiet = true;
}
void SetPause(const std::string&, DriverState& state) {
    state.pause = true;
}

// Options that act on the run; a profile cannot name them.
OptionRow Action(std::string_view name, std::string_view shortName, ValueKind kind,
                 QuoteRule quotes, OptionAction action, OptionHelp help = {},
                 ValueNames names = ValueNames::Text) {
    return {.longName = name,
            .shortName = shortName,
            .kind = kind,
            .quotes = quotes,
            .action = action,
            .names = names,
            .help = help};
}

ValueKind KindOf(const SettingSpec& spec) {
    if (spec.option.flag)
        return ValueKind::Flag;
    if (spec.choices)
        return ValueKind::Keyword;
    return std::visit(
        [](auto member) {
            using Field = std::remove_reference_t<decltype(std::declval<Settings&>().*member)>;
            if constexpr (std::is_same_v<Field, std::string>)
                return ValueKind::Text;
            else if constexpr (std::is_same_v<Field, float>)
                return ValueKind::Real;
            else
                return ValueKind::Number;
        },
        spec.field);
}

std::string_view HelpValueName(ValueKind kind) {
    switch (kind) {
    case ValueKind::Flag:
        return {};
    case ValueKind::Number:
    case ValueKind::Real:
        return "NUM";
    case ValueKind::Keyword:
    case ValueKind::Text:
        return "STR";
    }
    return {};
}

// The option row of a setting the command line sets.
OptionRow SettingOptionRow(const SettingSpec& spec) {
    const SettingOption& option = spec.option;
    const ValueKind kind = KindOf(spec);
    OptionRow row{
        .longName = option.word,
        .kind = kind,
        .choices = spec.choices,
        .quotes = option.quotes,
        .flagValue = option.flagValue,
        .sw = {option.turnsOn.field, static_cast<int8_t>(option.turnsOn.value)},
        .profileKey = option.profileKey.empty() ? option.word : option.profileKey,
        .profileStripsQuotes = option.profileStripsQuotes,
        .names = option.names,
        .setting = &spec,
    };
    if (!spec.help.text.empty())
        row.help = {HelpBlock::Advanced, spec.help.place, spec.help.text, HelpValueName(kind)};
    return row;
}

constexpr QuoteRule kJoined = QuoteRule::Joined;

std::vector<OptionRow> BuildTable() {
    std::vector<OptionRow> table = {
        Action("--INPUT", "-I", ValueKind::Text, kJoined, SetInput,
               {HelpBlock::Options, 1, "Set input file", "FILE"}, ValueNames::File),
        Action("--OUTPUT", "-O", ValueKind::Text, kJoined, SetOutput,
               {HelpBlock::Options, 2, "Set output folder", "PATH"}, ValueNames::Folder),
        Action("--CONVERSION", "-C", ValueKind::Text, QuoteRule::QuotesOnly, SetConversion,
               {HelpBlock::Options, 3, "Set output extension, STR = (jpg | bmp | ...)", "STR"}),
    };
    for (const SettingSpec& spec : SettingTable())
        if (!spec.option.word.empty())
            table.push_back(SettingOptionRow(spec));
    OptionRow window =
        Action("--WINDOW", "", ValueKind::Text, kJoined, SetWindowInput, {}, ValueNames::File);
    // The window, with the file a desktop's "Open with" passes as its input.
    window.valueOptional = true;
    for (OptionRow row : {
             Action(
                 "--PROFILE", "", ValueKind::Text, kJoined, ApplyProfile,
                 {HelpBlock::Advanced, 11, "Set configuration file with required settings", "FILE"},
                 ValueNames::File),
             Action("--DEBUG", "-D", ValueKind::Flag, QuoteRule::None, SetDebug,
                    {HelpBlock::Other, 1, "Print debug information to stdout"}),
             Action("--QUIET", "-Q", ValueKind::Flag, QuoteRule::None, SetQuiet,
                    {HelpBlock::Other, 0, "Don't print status messages to stdout"}),
             Action("--PAUSE", "-P", ValueKind::Flag, QuoteRule::None, SetPause,
                    {HelpBlock::Other, 2, "Pause at exit"}),
             window,
         })
        table.push_back(row);
    return table;
}

template <typename T> void Store(const SettingSpec* setting, T value) {
    if (!setting)
        return;
    std::visit(
        [&](auto member) {
            using Target = std::remove_reference_t<decltype(gSettings.*member)>;
            if constexpr (std::is_same_v<Target, std::string>) {
                if constexpr (std::is_convertible_v<T, std::string>)
                    gSettings.*member = value;
            } else if constexpr (std::is_arithmetic_v<T>) {
                // A byte field keeps the low byte of the value, as a byte would.
                gSettings.*member = static_cast<Target>(value);
            }
        },
        setting->field);
}

} // namespace

const std::vector<OptionRow>& OptionTable() {
    static const std::vector<OptionRow> table = BuildTable();
    return table;
}

const OptionRow* FindOptionByWord(std::string_view optionWord) {
    if (optionWord.empty())
        return nullptr;
    for (const OptionRow& row : OptionTable())
        if (row.longName == optionWord || (!row.shortName.empty() && row.shortName == optionWord))
            return &row;
    return nullptr;
}

const OptionRow* FindOptionByProfileKey(std::string_view upperKey) {
    for (const OptionRow& row : OptionTable())
        if (!row.profileKey.empty() && row.profileKey == upperKey)
            return &row;
    return nullptr;
}

void ApplyOptionValue(const OptionRow& row, const std::string& value, DriverState& state) {
    if (row.action) {
        row.action(value, state);
        return;
    }
    if (row.sw.field)
        gSettings.*(row.sw.field) = row.sw.value;
    switch (row.kind) {
    case ValueKind::Flag:
        Store(row.setting, row.flagValue);
        break;
    case ValueKind::Number:
        Store(row.setting, ParseLong(value));
        break;
    case ValueKind::Real:
        Store(row.setting, static_cast<float>(ParseReal(value)));
        break;
    case ValueKind::Keyword:
        Store(row.setting, KeywordToValue(row.choices->number, TrimSpaces(value)));
        break;
    case ValueKind::Text:
        Store(row.setting, value);
        break;
    }
}

std::string OptionHelpText(const OptionRow& row) {
    std::string text(row.help.text);
    const SettingSpec* spec = row.setting;
    if (!spec)
        return text;
    std::string name(row.help.valueName);
    if (spec->range)
        text += ", " + name + " = " + std::to_string(spec->range->minimum) + ".." +
                std::to_string(spec->range->maximum);
    else if (spec->realRange)
        text += ", " + name + " = " + WithTwoDecimals(spec->realRange->minimum) + ".." +
                WithTwoDecimals(spec->realRange->maximum);
    return text;
}

} // namespace velmora
