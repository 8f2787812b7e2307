#include "cli/help.h"

#include "cli/catalogue/fill_template.h"
#include "engine/format_registry.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/paths.h"

#include <initializer_list>

namespace velmora {
namespace {

std::string SampleExtension() {
    const auto& groups = EnabledInputGroups();
    return groups[static_cast<size_t>(RandomInRange(0, static_cast<int32_t>(groups.size()) - 1))];
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
    for (const char* line : {
             " ",
             "Options:",
             " ",
             "  -h, -?, --help            Display this help and exit",
             "  -i FILE, --input=FILE     Set input file",
             "  -o PATH, --output=PATH    Set output folder",
             "  -c STR, --conversion=STR  Set output extension, STR = (jpg | bmp | ...)",
             " ",
             "Advanced options:",
             " ",
             "  --width=NUM               Set output image width",
             "  --height=NUM              Set output image height",
             "  --filename-mask=STR       Define output filename format",
             "  --flip-horizontal         Flip output image horizontally",
             "  --flip-vertical           Flip output image vertically",
             "  --brightness=NUM          Set output image brightness, NUM = -100..100",
             "  --contrast=NUM            Set output image contrast, NUM = -100..100",
             "  --gamma=NUM               Set output image gamma, NUM = 0.01..9.99",
             "  --invert                  Invert output image",
             "  --greyscale               Greyscale output image",
             "  --profile=FILE            Set configuration file with required settings",
             "    ...                     Refer documentation for all available options",
             " ",
             "Other options:",
             " ",
             "  -q, --quiet               Don't print status messages to stdout",
             "  -d, --debug               Print debug information to stdout",
             "  -p, --pause               Pause at exit",
             "  -v, --version             Display version information and exit",
         })
        PrintLine(line);
}

void PrintBanner() {
    PrintLine(ProgramTitle());
    PrintLine(ReplaceAll(kMakerNotice, "©", "(c)"));
    PrintLine(kMakerWebAddress);
    PrintLine(" ");
}

} // namespace velmora
