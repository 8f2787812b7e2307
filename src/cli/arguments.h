// How one command-line argument splits into an option word and a value.
#pragma once

#include <string>
#include <vector>

namespace velmora {

using Arguments = std::vector<std::string>;

// Upper-cased option word of argument index: "" for a non-option, the whole argument for
// a one-dash word, the part before the first "=" for a two-dash word.
std::string OptionName(const Arguments& arguments, size_t index);
// The value: after the first "=" of a two-dash argument, else the whole argument;
// spaces trimmed, letter case kept. "" beyond the last argument.
std::string OptionValue(const Arguments& arguments, size_t index);

} // namespace velmora
