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

// The Compression list has words per format: those of the format the option's name begins
// with ("--TIFF-COMPRESSION" takes the TIFF words).
std::string FormatOfOption(std::string_view longName) {
    std::string_view rest = longName.substr(2);
    return ToLower(rest.substr(0, rest.find('-')));
}

std::vector<std::string> KeywordWords(int list, std::string_view format) {
    std::vector<std::string> words;
    for (int value = 0;; ++value) {
        std::string word = ValueToKeyword(list, value, format);
        if (word.empty())
            return words;
        words.push_back(Checked(word));
    }
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
            option.words = KeywordWords(row.keywordList, FormatOfOption(row.longName));
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
