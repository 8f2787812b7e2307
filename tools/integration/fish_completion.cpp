// The fish completion: one "complete" line per option. Fish splits "--name=value" itself,
// so a long option's value is completed in either spelling.
#include "completion_model.h"

namespace velmora {

std::string FishCompletion(std::string_view program) {
    const std::string command = "complete -c " + std::string(program);
    // Words that are not options are ignored by the program: no file names for them.
    std::string lines = command + " -f\n";
    for (const std::string& word : FirstOnlyWords())
        lines += command + " -n __fish_is_first_arg -l " + word.substr(2) + "\n";
    for (const CompletedOption& option : CompletedOptions()) {
        std::string line = command;
        if (!option.shortName.empty())
            line += " -s " + option.shortName.substr(1);
        line += " -l " + option.longName.substr(2);
        if (!option.words.empty())
            line += " -x -a '" + SpaceSeparated(option.words) + "'";
        else if (option.takesValue && option.names == ValueNames::File)
            line += " -r -F";
        else if (option.takesValue && option.names == ValueNames::Folder)
            line += " -x -a '(__fish_complete_directories)'";
        else if (option.takesValue)
            line += " -x";
        lines += line + "\n";
    }
    return "# fish completion for " + std::string(program) +
           "\n# Written at build time from the program's option table by integration-writer.\n" +
           lines;
}

} // namespace velmora
