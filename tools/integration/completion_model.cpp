#include "completion_model.h"

#include "cli/console_main.h"
#include "platform/text.h"
#include "settings/keywords.h"

#include <stdexcept>

namespace velmora {
namespace {

bool IsPlain(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The scripts hold option names and keywords unquoted inside quoted word lists: anything
// but letters, digits and "-" would need quoting in one shell or another.
std::string Checked(std::string word) {
    for (char c : word)
        if (!IsPlain(c) && c != '-')
            throw std::runtime_error("a word the completions cannot quote: " + word);
    return word;
}

// A keyword option's words: its own list's, which for a compression option are its format's.
std::vector<std::string> KeywordWords(const ChoiceList& list) {
    std::vector<std::string> words;
    for (const Choice& choice : list.choices)
        words.push_back(Checked(ToLower(choice.word)));
    return words;
}

} // namespace

std::vector<CompletedOption> CompletedOptions() {
    std::vector<CompletedOption> options;
    for (const OptionRow& row : OptionTable()) {
        CompletedOption option;
        option.longName = Checked(ToLower(row.longName));
        option.shortName = Checked(ToLower(row.shortName));
        option.takesValue = row.kind != ValueKind::Flag;
        option.valueOptional = row.valueOptional;
        if (row.kind == ValueKind::Keyword)
            option.words = KeywordWords(*row.choices);
        option.names = row.names;
        options.push_back(std::move(option));
    }
    return options;
}

std::vector<std::string> FirstOnlyWords() {
    std::vector<std::string> words;
    for (const FirstArgumentWord& entry : FirstArgumentWords())
        if (StartsWith(entry.word, "--"))
            words.push_back(Checked(ToLower(entry.word)));
    return words;
}

std::string SpaceSeparated(const std::vector<std::string>& words) {
    std::string joined;
    for (const std::string& word : words)
        joined += (joined.empty() ? "" : " ") + word;
    return joined;
}

std::string FunctionName(std::string_view program) {
    std::string name = "_";
    for (char c : program)
        name += IsPlain(c) ? c : '_';
    return name;
}

} // namespace velmora
