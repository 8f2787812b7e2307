#include "cli/arguments.h"

#include "platform/text.h"

namespace velmora {

std::string OptionName(const Arguments& arguments, size_t index) {
    if (index >= arguments.size())
        return {};
    std::string argument = TrimSpaces(arguments[index]);
    if (!StartsWith(argument, "-"))
        return {};
    if (!StartsWith(argument, "--"))
        return ToUpper(argument);
    return ToUpper(argument.substr(0, argument.find('=')));
}

std::string OptionValue(const Arguments& arguments, size_t index) {
    if (index >= arguments.size())
        return {};
    std::string argument = TrimSpaces(arguments[index]);
    if (StartsWith(argument, "--")) {
        size_t equals = argument.find('=', 2);
        if (equals != std::string::npos)
            return argument.substr(equals + 1);
    }
    return argument;
}

} // namespace velmora
