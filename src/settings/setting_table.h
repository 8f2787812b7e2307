// The setting table: one row per setting, which says everything the program knows about it
// besides what it does: its Settings field, its config.ini key and group, the option that
// sets it on the command line and in profiles, its line in the debug listing, its choices or
// its range, its default and its line of the help. The option table, config.ini's reader and
// writer, the debug listing, the Preferences' controls, the help and the defaults all walk
// it; adding a setting is adding a field and a row.
#pragma once

#include "settings/keywords.h"
#include "settings/settings.h"
#include "settings/value_range.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace velmora {

using SettingField = std::variant<int8_t Settings::*, int32_t Settings::*, float Settings::*,
                                  std::string Settings::*>;

// A one-byte setting holding a given value: the switch an option turns on with its own
// field, or the switch under which a setting is listed and checked. kAnyButZero: the switch
// is on at any value but 0.
constexpr int kAnyButZero = -1;
struct SettingSwitch {
    int8_t Settings::*field = nullptr;
    int value = kAnyButZero;

    bool isOn(const Settings& settings) const {
        int current = settings.*field;
        return value == kAnyButZero ? current != 0 : current == value;
    }
};

// How an option's text value is taken from the command line: as it comes, with the
// arguments the shell split at its spaces joined back up to the closing quote, or with only
// its outer quotes removed.
enum class QuoteRule { None, Joined, QuotesOnly };
// What a text value names, for the shell completions: any text, a file or a folder.
enum class ValueNames { Text, File, Folder };

// The option that sets the setting on the command line and in profiles.
struct SettingOption {
    std::string_view word; // "--RESIZE-ALGORITHM"; "" when the command line does not set it
    // A flag takes no value and stores flagValue.
    bool flag = false;
    int8_t flagValue = 1;
    // The switch the option turns on together with its own field (DoImageResize for --WIDTH).
    SettingSwitch turnsOn = {};
    QuoteRule quotes = QuoteRule::None;
    ValueNames names = ValueNames::Text;
    // The key a profile names it by when that is not the option's word.
    std::string_view profileKey = {};
    bool profileStripsQuotes = false;
};

// Why a run refuses the setting's value: "Invalid " + name + " value".
enum class Refusal {
    None,
    Zero,         // the value 0, which every run refuses
    OutsideRange, // a value outside the row's range: the console's typed values only, since
                  // the window's controls never hold one
};

// The setting's line in the debug listing, and the check a run makes of it.
struct SettingListing {
    std::string_view label = {}; // "Image Resize Algorithm: "; "" when not listed by itself
    // Listed (and checked) only while this switch is on.
    SettingSwitch when = {};
    Refusal refusal = Refusal::None;
    std::string_view refusedAs = {}; // "width"
};

// The help line of the option, in the "Advanced options" block at its place.
struct SettingHelp {
    std::string_view text = {};
    int place = 0;
};

// A default that is not a constant: the time the defaults were made, or the aspect ratio that
// a console run keeps off and the window keeps on.
enum class DynamicDefault { CurrentTime, OnForTheWindow };
using SettingDefault = std::variant<int64_t, double, std::string_view, DynamicDefault>;

struct SettingSpec {
    SettingField field;
    // config.ini: the group and key; a setting with no group is not kept there.
    std::string_view group;
    std::string_view key;
    // An Input or Output setting of one format: written while the format is offered.
    std::string_view format = {};
    SettingDefault byDefault = int64_t{0};
    SettingOption option = {};
    SettingListing listing = {};
    // The choices of a keyword setting; its value is its choice's position.
    const ChoiceList* choices = nullptr;
    // The values the window's controls offer and, where the listing refuses values outside
    // it, the values a run takes.
    std::optional<ValueRange<int32_t>> range = {};
    std::optional<ValueRange<float>> realRange = {};
    // A number shown with its unit: the setting that holds the unit's choice.
    int8_t Settings::*unit = nullptr;
    // A number listed with a second one after a "/" ("x/y").
    int32_t Settings::*pairedWith = nullptr;
    SettingHelp help = {};
};

// Every setting, in config.ini's order of groups and keys (the Input group's per-format keys
// in the option's order, which config.ini's writer sorts by format).
std::span<const SettingSpec> SettingTable();
// The row of a field; nullptr for a field without one (ConfigPath).
const SettingSpec* FindSetting(const SettingField& field);

// The value a row's default puts into a record made for a console run or for the window.
void ApplyDefault(const SettingSpec& spec, Settings& settings, bool consoleRun);

} // namespace velmora
