#include "cli/console_main.h"
#include "cli/help.h"
#include "platform/console.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora {
namespace {

using Lines = std::vector<std::string>;

const Lines kHelp = {" ",
                     "Usage: velmoracmd -i <filename> [options]",
                     " ",
                     "  velmoracmd -i example.raw",
                     "  velmoracmd -i ~/tmp/example.raw",
                     "  velmoracmd -i ~/tmp/example.raw -o ~/converted",
                     "  velmoracmd -i ~/tmp/example.raw -o ~/converted --jpg-quality=95",
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
                     "  -v, --version             Display version information and exit"};

// Collects what the console would print while the object lives.
class CapturedLines {
public:
    CapturedLines() {
        SetConsoleSinkForTesting([this](std::string_view line) { lines.emplace_back(line); });
    }
    ~CapturedLines() { SetConsoleSinkForTesting({}); }
    Lines lines;
};

TEST(VersionTextTest, DotsBeforeSecondAndFourthCharacterTrailingZeroCut) {
    struct Case {
        int number;
        const char* text;
    } cases[] = {{320, "3.2"},   {321, "3.2.1"}, {300, "3.0"},     {310, "3.1"},
                 {405, "4.0.5"}, {999, "9.9.9"}, {1234, "1.2.34"}, {3200, "3.2"}};
    for (const Case& c : cases)
        EXPECT_EQ(VersionText(c.number), c.text) << c.number;
    EXPECT_EQ(ProgramTitle(), "Corvanta ZUV iv EDAZ 3.2");
}

TEST(ExecutableNameTest, DropsFolderAndExtension) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {{"/usr/bin/velmoracmd", "velmoracmd"},
                 {"velmoracmd", "velmoracmd"},
                 {"a/b.exe", "b"},
                 {"c:\\tools\\velmoracmd.exe", "c:\\tools\\velmoracmd"},
                 {"/opt/v1.2/velmoracmd", "velmoracmd"},
                 {"/x/archive.tar.gz", "archive.tar"},
                 {"dir/my prog.v 2", "my prog.v 2"},
                 {"dir/my prog.v2", "my prog"},
                 {"name.", "name"},
                 {"/bin/.hidden", ".hidden"},
                 {"/x/y/", ""}};
    for (const Case& c : cases)
        EXPECT_EQ(ExecutableNameForHelp(c.path), c.name) << c.path;
}

TEST(ConsoleTextsTest, HelpVersionAndBanner) {
    {
        CapturedLines out;
        PrintHelp("/usr/local/bin/velmoracmd");
        EXPECT_EQ(out.lines, kHelp);
    }
    {
        CapturedLines out;
        PrintHelp("/tmp/other name.bin");
        ASSERT_GE(out.lines.size(), 4u);
        EXPECT_EQ(out.lines[1], "Usage: other name -i <filename> [options]");
        EXPECT_EQ(out.lines[3], "  other name -i example.raw");
    }
    {
        CapturedLines out;
        PrintVersion();
        EXPECT_EQ(out.lines, Lines{"3.2"});
    }
    {
        CapturedLines out;
        PrintBanner();
        std::string notice = kMakerNotice;
        for (size_t at = notice.find("©"); at != std::string::npos; at = notice.find("©"))
            notice.replace(at, std::string("©").size(), "(c)");
        ASSERT_NE(notice, kMakerNotice) << "the notice should carry the sign it replaces";
        EXPECT_EQ(out.lines, (Lines{"Corvanta ZUV iv EDAZ 3.2", notice, kMakerWebAddress, " "}));
        EXPECT_FALSE(std::string(kMakerWebAddress).empty());
    }
}

TEST(ConsoleMainTest, FirstArgumentModesAndErrors) {
    const Lines none;
    const Lines version = {"3.2"};
    struct Case {
        const char* name;
        Arguments arguments;
        NextStep next;
        int exitCode;
        Lines printed;
        std::string folder = {};
        std::string window = {};
    } cases[] = {
        {"no arguments", {}, NextStep::OpenGraphicalFace, kExitOk, none},
        {"no input option", {"-c", "jpg"}, NextStep::OpenGraphicalFace, kExitOk, none},
        {"version", {"-v"}, NextStep::Exit, kExitOk, version},
        {"version, long and mixed case", {"--Version=anything"}, NextStep::Exit, kExitOk, version},
        {"version ignores the rest", {"-V", "-i"}, NextStep::Exit, kExitOk, version},
        {"help ignores the rest", {"-h", "-i", "a.raw"}, NextStep::Exit, kExitOk, kHelp},
        {"help by ?", {"-?"}, NextStep::Exit, kExitOk, kHelp},
        {"help long", {"--HELP"}, NextStep::Exit, kExitOk, kHelp},
        {"mode words only first",
         {"-c", "jpg", "-v", "-h"},
         NextStep::OpenGraphicalFace,
         kExitOk,
         none},
        {"missing value",
         {"-i"},
         NextStep::Exit,
         kExitError,
         {"Error: Incorrect number of parameters"}},
        {"error printed despite quiet",
         {"-q", "--profile=missing.ini", "-i", "a.raw"},
         NextStep::Exit,
         kExitError,
         {"Error: Invalid profile file"}},
        {"uninstall window", {"-u"}, NextStep::UninstallWindow, kExitOk, none},
        {"window on a file after an input",
         {"-i", "a.raw", "--window=b.cr2"},
         NextStep::OpenGraphicalFace,
         kExitOk,
         none,
         {},
         "b.cr2"},
        {"screenshots",
         {"-T", " /tmp/shots "},
         NextStep::Screenshots,
         kExitOk,
         none,
         "/tmp/shots"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gJob = ConversionJob{};
        CapturedLines out;
        DriverResult result = ConsoleMain(c.arguments, "/usr/bin/velmoracmd");
        EXPECT_EQ(result.next, c.next);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.screenshotFolder, c.folder);
        EXPECT_EQ(result.windowInput, c.window);
        EXPECT_EQ(out.lines, c.printed);
    }
}

} // namespace
} // namespace velmora
