// The option table: every option's names, the kind of value it takes and what it writes. The
// options that set a setting are the setting table's (settings/setting_table.h); the few that
// act on the run are this table's own. The option loop, the profile reader, the help and the
// shell completions walk it; none of them knows an option by name.
#pragma once

#include "settings/setting_table.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class ValueKind { Flag, Number, Real, Keyword, Text };

// What the console driver keeps for itself while it walks the arguments.
struct DriverState {
    std::string errorText;
    bool quiet = false;
    bool pause = false;
    // The file --WINDOW hands the converter window; empty for a window without one.
    std::string windowInput;
};

// A switch an option turns on together with its own field (DoImageResize for --WIDTH).
struct Switch {
    int8_t Settings::*field = nullptr;
    int8_t value = 1;
};

// Options that act on the run rather than on a Settings field.
using OptionAction = void (*)(const std::string& value, DriverState& state);

// The blocks of the help, in the order it prints them.
enum class HelpBlock { None, Options, Advanced, Other };

// An option's line in the help: its names with the value's name, and what it does.
struct OptionHelp {
    HelpBlock block = HelpBlock::None;
    int place = 0;                   // the line's place in its block
    std::string_view text = {};      // "Set input file"
    std::string_view valueName = {}; // "FILE"; "" for a flag
};

struct OptionRow {
    std::string_view longName = {};  // "--JPG-QUALITY"
    std::string_view shortName = {}; // "-I", or "" when there is none
    ValueKind kind = ValueKind::Flag;
    const ChoiceList* choices = nullptr; // a keyword's words
    QuoteRule quotes = QuoteRule::None;
    int8_t flagValue = 1; // what a flag writes into its field
    Switch sw = {};
    OptionAction action = nullptr;
    // The key of the option in a profile file: "" when profiles may not use it.
    std::string_view profileKey = {};
    bool profileStripsQuotes = false;
    // The value may be left out, written without "=" or empty: the option means something
    // without one too.
    bool valueOptional = false;
    ValueNames names = ValueNames::Text;
    // The setting the option sets; nullptr for an option that acts on the run.
    const SettingSpec* setting = nullptr;
    OptionHelp help = {};
};

const std::vector<OptionRow>& OptionTable();
const OptionRow* FindOptionByWord(std::string_view optionWord);
const OptionRow* FindOptionByProfileKey(std::string_view upperKey);

// Writes the converted value into the row's fields, switch first; actions run instead.
void ApplyOptionValue(const OptionRow& row, const std::string& value, DriverState& state);

// The help's text of the row: its own, with the range of values it takes where it has one
// (", NUM = -100..100").
std::string OptionHelpText(const OptionRow& row);

} // namespace velmora
