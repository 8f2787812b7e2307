#include "cli/help.h"

#include "cli/catalogue/fill_template.h"
#include "cli/console_main.h"
#include "cli/option_table.h"
#include "engine/format_registry.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

namespace velmora {
namespace {

std::string SampleExtension() {
    const auto& groups = EnabledInputGroups();
    return groups[static_cast<size_t>(RandomInRange(0, static_cast<int32_t>(groups.size()) - 1))];
}

// The help's lines of one block in their order: the options' and the first-argument modes'.
struct HelpLine {
    int place;
    std::string names; // "-i FILE, --input=FILE"
    std::string text;
};

// The names column is as wide as the widest names it holds, "-c STR, --conversion=STR".
constexpr size_t kHelpNameWidth = 26;

std::string PaddedTo(std::string text, size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

std::vector<HelpLine> HelpLines(HelpBlock block) {
    std::vector<HelpLine> lines;
    for (const OptionRow& row : OptionTable()) {
        if (row.help.block != block)
            continue;
        std::string value(row.help.valueName);
        std::string names;
        if (!row.shortName.empty())
            names = ToLower(row.shortName) + (value.empty() ? "" : " " + value) + ", ";
        names += ToLower(row.longName) + (value.empty() ? "" : "=" + value);
        lines.push_back({row.help.place, names, OptionHelpText(row)});
    }
    const auto& words = FirstArgumentWords();
    for (const FirstArgumentWord& first : words) {
        if (first.help.block != block)
            continue;
        std::string names;
        for (const FirstArgumentWord& word : words)
            if (word.mode == first.mode)
                names += (names.empty() ? "" : ", ") + ToLower(word.word);
        lines.push_back({first.help.place, names, std::string(first.help.text)});
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const HelpLine& a, const HelpLine& b) { return a.place < b.place; });
    return lines;
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

std::string VersionText(int number) {
    std::string text = std::to_string(number);
    if (text.size() >= 1)
        text.insert(1, ".");
    if (text.size() >= 3)
        text.insert(3, ".");
    if (!text.empty() && text.back() == '0')
        text = text.substr(0, 3);
    return text;
}

std::string ProgramTitle() {
    return std::string(kProductName) + " " + VersionText(kVersionNumber);
}

std::string ExecutableNameForHelp(std::string_view invokedAs) {
    return BaseNameWithoutExtension(NameOf(invokedAs));
}

void PrintVersion() {
    SetConsoleTitle(ProgramTitle());
    PrintLine(VersionText(kVersionNumber));
}

void PrintHelp(std::string_view invokedAs) {
    SetConsoleTitle(ProgramTitle());
    std::string name = ExecutableNameForHelp(invokedAs);
    auto usage = [&](std::string_view line) { PrintLine(FillTemplate(line, name)); };
    auto example = [&](std::string_view line) {
        PrintLine(FillTemplate(line, name, SampleExtension()));
    };
    PrintLine(" ");
    usage("Usage: %s1% -i <filename> [options]");
    PrintLine(" ");
    example("  %s1% -i example.%s2%");
    example("  %s1% -i ~/tmp/example.%s2%");
    example("  %s1% -i ~/tmp/example.%s2% -o ~/converted");
    example("  %s1% -i ~/tmp/example.%s2% -o ~/converted --jpg-quality=95");
    for (const auto& [block, title] : {std::pair{HelpBlock::Options, "Options:"},
                                       std::pair{HelpBlock::Advanced, "Advanced options:"},
                                       std::pair{HelpBlock::Other, "Other options:"}}) {
        PrintLine(" ");
        PrintLine(title);
        PrintLine(" ");
        for (const HelpLine& line : HelpLines(block))
            PrintLine("  " + PaddedTo(line.names, kHelpNameWidth) + line.text);
        if (block == HelpBlock::Advanced)
            PrintLine("    ...                     Refer documentation for all available options");
    }
}

void PrintBanner() {
    PrintLine(ProgramTitle());
    PrintLine(ReplaceAll(kMakerNotice, "©", "(c)"));
    PrintLine(kMakerWebAddress);
    PrintLine(" ");
}

} // namespace velmora
