// The zsh completion: one _arguments entry per option. Long options take their
// value in the same word after "=" ("=-"), one-letter options in the next word.
#include "completion_model.h"

namespace velmora {
namespace {

// The message and action of a value: its words, files, folders, or nothing to offer.
std::string ValueSpec(const CompletedOption& option) {
    if (!option.words.empty())
        return ":word:(" + SpaceSeparated(option.words) + ")";
    switch (option.names) {
    case ValueNames::File:
        return ":file:_files";
    case ValueNames::Folder:
        return ":folder:_files -/";
    case ValueNames::Text:
        break;
    }
    return ":value: ";
}

} // namespace

std::string ZshCompletion(std::string_view program) {
    std::string specs;
    auto add = [&](const std::string& spec) { specs += " \\\n    '" + spec + "'"; };
    for (const std::string& word : FirstOnlyWords())
        add("(- *)" + word);
    for (const CompletedOption& option : CompletedOptions()) {
        if (!option.takesValue) {
            add(option.longName);
            if (!option.shortName.empty())
                add(option.shortName);
            continue;
        }
        // "::" marks a value that may be left out.
        std::string value = (option.valueOptional ? ":" : "") + ValueSpec(option);
        add(option.longName + "=-" + value);
        if (!option.shortName.empty())
            add(option.shortName + value);
    }
    return "#compdef " + std::string(program) + "\n# zsh completion for " + std::string(program) +
           "\n# Written at build time from the program's option table by integration-writer.\n"
           "\n_arguments" +
           specs + "\n";
}

} // namespace velmora
