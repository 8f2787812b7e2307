// The option table: every option's names, the kind of value it takes and the settings it
// writes. The option loop and the profile reader walk it; neither knows an option by name.
#pragma once

#include "settings/settings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmora {

enum class ValueKind { Flag, Number, Real, Keyword, Text };
enum class QuoteRule { None, Joined, QuotesOnly };
// What a text value names, for the shell completions: any text, a file or a folder.
enum class ValueNames { Text, File, Folder };

// What the console driver keeps for itself while it walks the arguments.
struct DriverState {
    std::string errorText;
    bool quiet = false;
    bool pause = false;
    // The file --WINDOW hands the converter window; empty for a window without one.
    std::string windowInput;
};

using SettingsField = std::variant<std::monostate, int8_t Settings::*, int32_t Settings::*,
                                   float Settings::*, std::string Settings::*>;

// A switch an option turns on together with its own field (DoImageResize for --WIDTH).
struct Switch {
    int8_t Settings::*field = nullptr;
    int8_t value = 1;
};

// Options that act on the run rather than on a Settings field.
using OptionAction = void (*)(const std::string& value, DriverState& state);

struct OptionRow {
    std::string_view longName;  // "--JPG-QUALITY"
    std::string_view shortName; // "-I", or "" when there is none
    ValueKind kind = ValueKind::Flag;
    int keywordList = -1;
    QuoteRule quotes = QuoteRule::None;
    SettingsField field;
    int8_t flagValue = 1; // what a flag writes into its field
    Switch sw;
    OptionAction action = nullptr;
    // The key of the option in a profile file: "" when profiles may not use it.
    std::string_view profileKey;
    bool profileStripsQuotes = false;
    // The value may be left out, written without "=" or empty: the option means something
    // without one too.
    bool valueOptional = false;
    ValueNames names = ValueNames::Text;
};

const std::vector<OptionRow>& OptionTable();
const OptionRow* FindOptionByWord(std::string_view optionWord);
const OptionRow* FindOptionByProfileKey(std::string_view upperKey);

// Writes the converted value into the row's fields, switch first; actions run instead.
void ApplyOptionValue(const OptionRow& row, const std::string& value, DriverState& state);

} // namespace velmora
