// The bash completion: option words, keyword values, files and folders. Readline splits
// "--name=value" at "=", so the script puts the option back together from the words around
// the "=" before it looks the option up.
#include "completion_model.h"

namespace velmora {
namespace {

std::string Patterns(const CompletedOption& option) {
    return option.shortName.empty() ? option.longName : option.shortName + " | " + option.longName;
}

// One case branch per option whose value can be completed.
std::string ValueCases(const std::vector<CompletedOption>& options) {
    std::string files, folders, cases;
    for (const CompletedOption& option : options) {
        if (!option.words.empty()) {
            cases += "    " + Patterns(option) + ") COMPREPLY=($(compgen -W '" +
                     SpaceSeparated(option.words) + "' -- \"$2\")) ;;\n";
        } else if (option.takesValue && option.names == ValueNames::File) {
            files += (files.empty() ? "" : " | ") + Patterns(option);
        } else if (option.takesValue && option.names == ValueNames::Folder) {
            folders += (folders.empty() ? "" : " | ") + Patterns(option);
        }
    }
    if (!files.empty())
        cases += "    " + files +
                 ")\n        compopt -o filenames 2>/dev/null\n"
                 "        COMPREPLY=($(compgen -f -- \"$2\")) ;;\n";
    if (!folders.empty())
        cases += "    " + folders +
                 ")\n        compopt -o filenames 2>/dev/null\n"
                 "        COMPREPLY=($(compgen -d -- \"$2\")) ;;\n";
    return cases;
}

} // namespace

std::string BashCompletion(std::string_view program) {
    const std::vector<CompletedOption> options = CompletedOptions();
    std::vector<std::string> words, shortValued;
    for (const CompletedOption& option : options) {
        words.push_back(option.longName + (option.takesValue ? "=" : ""));
        if (!option.shortName.empty())
            words.push_back(option.shortName);
        if (!option.shortName.empty() && option.takesValue)
            shortValued.push_back(option.shortName);
    }
    const std::string name = FunctionName(program);
    // The one-letter options that take the next word as their value.
    std::string shortCases;
    for (const std::string& shortName : shortValued)
        shortCases += (shortCases.empty() ? "" : " | ") + shortName;
    if (!shortCases.empty())
        shortCases = "        case ${prev,,} in\n        " + shortCases + ") " + name +
                     "_value \"$prev\" \"$cur\"; return 0 ;;\n        esac\n";

    return "# bash completion for " + std::string(program) +
           "\n# Written at build time from the program's option table by integration-writer.\n"
           "\n" +
           name + "_value() {\n" +
           "    # $1 is the option in any letter case, $2 the start of its value\n"
           "    case ${1,,} in\n" +
           ValueCases(options) +
           "    esac\n"
           "}\n"
           "\n" +
           name + "() {\n" +
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=\n"
           "    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
           "    COMPREPLY=()\n"
           "    if [[ $cur == = ]]; then\n"
           "        " +
           name + "_value \"$prev\" \"\"\n" +
           "    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then\n"
           "        " +
           name + "_value \"${COMP_WORDS[COMP_CWORD - 2]}\" \"$cur\"\n" +
           "    elif [[ $cur == --*=* ]]; then\n"
           "        # \"=\" is not a word break here: the replies carry the option in front\n"
           "        " +
           name + "_value \"${cur%%=*}\" \"${cur#*=}\"\n" +
           "        ((${#COMPREPLY[@]})) && COMPREPLY=(\"${COMPREPLY[@]/#/${cur%%=*}=}\")\n"
           "    else\n" +
           shortCases + "        local words='" + SpaceSeparated(words) + "'\n" +
           "        ((COMP_CWORD == 1)) && words+=' " + SpaceSeparated(FirstOnlyWords()) + "'\n" +
           "        COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
           "        # an option that takes a value goes on after its \"=\"\n"
           "        [[ ${COMPREPLY[*]} == *=* ]] && compopt -o nospace 2>/dev/null\n"
           "    fi\n"
           "    return 0\n"
           "}\n"
           "complete -F " +
           name + " " + std::string(program) + "\n";
}

} // namespace velmora
