// What the shell completions offer, read from the option table and the keyword lists, so
// that a new row of the table is completed without anyone writing it down twice.
#pragma once

#include "cli/option_table.h"

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct CompletedOption {
    std::string longName;  // "--tiff-compression"
    std::string shortName; // "-i", or "" when there is none
    bool takesValue = false;
    bool valueOptional = false;
    std::vector<std::string> words; // a keyword option's words, lower case
    ValueNames names = ValueNames::Text;
};

// Every row of the option table, lower case as the manual writes them.
std::vector<CompletedOption> CompletedOptions();
// The long words recognised only as the first argument ("--help", "--version").
std::vector<std::string> FirstOnlyWords();

// The completion scripts for program, one per shell.
std::string BashCompletion(std::string_view program);
std::string ZshCompletion(std::string_view program);
std::string FishCompletion(std::string_view program);

// "a b c": words joined by spaces, for the scripts' word lists.
std::string SpaceSeparated(const std::vector<std::string>& words);
// The program's name as a shell identifier ("velmoracmd" -> "_velmoracmd").
std::string FunctionName(std::string_view program);

} // namespace velmora
