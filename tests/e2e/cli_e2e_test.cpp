// The command line through the real binary: special words, option errors, validation
// lines and exit statuses, compared line by line.
#include "e2e/e2e_support.h"

#include "support/pictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <map>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::testing {
namespace {

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        MakeSampleDng(folder / "sample.dng", {"--width=64", "--height=48"});
        WriteFile(folder / "noext", "not empty");
        WriteFile(folder / "empty.dng", "");
        mkdir((folder / "dir.dng").c_str(), 0755);
    }
    RunResult Run(const std::vector<std::string>& arguments) {
        RunOptions options;
        options.workFolder = folder.Path();
        return RunProgram(arguments, options);
    }
    TempFolder folder;
};

const std::vector<std::string> kPreparing = {"Preparing..."};

std::vector<std::string> WithBanner(std::vector<std::string> lines) {
    return Concat(Concat(kBanner, kPreparing), lines);
}

TEST_F(CommandLine, LinesAndExitStatus) {
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> lines;
        int status;
    };
    const std::string missingValue = "Error: Incorrect number of parameters";
    const Case cases[] = {
        {{"-v"}, {"3.2"}, 0},
        {{"--version=anything"}, {"3.2"}, 0},
        {{"--Version", "-i", "sample.dng"}, {"3.2"}, 0},
        {{"-i"}, {missingValue}, 1},
        {{"-i", "-q"}, {missingValue}, 1},
        {{"-q", "-i", "sample.dng", "--brightness"}, {missingValue}, 1},
        {{"--profile=missing.ini", "-q"}, {"Error: Invalid profile file"}, 1},
        {{"-i", "noext"}, WithBanner({"Error: Invalid input file"}), 1},
        {{"-q", "-i", "empty.dng"}, {"Error: Invalid input file"}, 1},
        {{"-q", "-i", "dir.dng"}, {"Error: Invalid input file"}, 1},
        {{"-q", "-i", "missing.dng"}, {"Error: Invalid input file"}, 1},
        {{"-q", "-i", "sample.dng", "-o", "../elsewhere"}, {"Error: Incorrect output folder"}, 1},
        {{"-q", "-i", "sample.dng", "-o", "/no/such/folder"}, {"Error: Invalid output folder"}, 1},
        {{"-q", "-i", "sample.dng", "-c", "jpg"}, {"Error: Invalid conversion type"}, 1},
        {{"-q", "-i", "sample.dng", "-c", "TIFF"}, {"Error: Invalid conversion type"}, 1},
        {{"-q", "-i", "sample.dng", "--tiff-bpp=16"}, {"Error: Invalid tiff-bpp value"}, 1},
        {{"-q", "-i", "sample.dng", "--width=100"}, {"Error: Invalid height value"}, 1},
        {{"-q", "-i", "sample.dng", "--height=5", "--width=0"}, {"Error: Invalid width value"}, 1},
        {{"-q", "-i", "sample.dng", "--brightness=101"}, {"Error: Invalid brightness value"}, 1},
        {{"-q", "-i", "sample.dng", "--contrast=-101"}, {"Error: Invalid contrast value"}, 1},
        {{"-q", "-i", "sample.dng", "--gamma=10"}, {"Error: Invalid gamma value"}, 1},
        {{"-q", "-i", "sample.dng", "--gamma=NaN"}, {"Error: Invalid gamma value"}, 1},
        {{"-q", "-i", "sample.dng", "--wm-image=none.png"}, {"Error: Invalid watermark image"}, 1},
        {{"-q", "-i", "sample.dng", "--wm-text=x", "--wm-font=NoSuchFace Zq"},
         {"Error: Invalid watermark font"},
         1},
        {{"-q", "-i", "list.txt"}, {"Error: Invalid input file"}, 1},
    };
    for (const Case& c : cases) {
        RunResult result = Run(c.arguments);
        std::string shown = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(result.OutLines(), c.lines) << shown;
        EXPECT_EQ(result.exitStatus, c.status) << shown;
        EXPECT_EQ(result.err, "") << shown;
    }
}

TEST_F(CommandLine, HelpIsExactAndIgnoresTheRest) {
    RunResult result = Run({"-h", "-i", "sample.dng"});
    std::vector<std::string> lines = result.OutLines();
    ASSERT_EQ(lines.size(), 36u);
    EXPECT_EQ(lines[1], "Usage: velmoracmd -i <filename> [options]");
    EXPECT_EQ(lines[3], "  velmoracmd -i example.raw");
    EXPECT_EQ(lines[6], "  velmoracmd -i ~/tmp/example.raw -o ~/converted --jpg-quality=95");
    EXPECT_EQ(lines[35], "  -v, --version             Display version information and exit");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_FALSE(FileExists(folder / "sample.tiff"));
    for (const char* word : {"-?", "--HELP", "--help=x"})
        EXPECT_EQ(Run({word}).OutLines(), lines) << word;
}

TEST_F(CommandLine, HelpNamesTheProgramByItsFileName) {
    std::string copy = folder / "rawconv";
    WriteFile(copy, ReadFile(BinaryFolder() + "velmoracmd"));
    chmod(copy.c_str(), 0755);
    RunOptions options;
    options.workFolder = folder.Path();
    options.program = copy;
    std::vector<std::string> lines = RunProgram({"-h"}, options).OutLines();
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Usage: rawconv -i <filename> [options]");
    ASSERT_EQ(symlink((BinaryFolder() + "velmoracmd").c_str(), (folder / "ln").c_str()), 0);
    options.program = folder / "ln";
    EXPECT_EQ(RunProgram({"-h"}, options).OutLines().at(1), "Usage: ln -i <filename> [options]");
}

// Without a display (or, in a build without the face, without its library) the window
// cannot open: one line on standard error pointing at -h, and status 1. A display that is
// named but not there is caught while Qt starts, before it would abort.
TEST_F(CommandLine, WithoutInputTheWindowIsWantedAndItsAbsenceIsReported) {
    const std::map<std::string, std::string> noDisplay = {
        {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
    std::map<std::string, std::string> goneDisplay = noDisplay;
    goneDisplay["DISPLAY"] = ":9999";
    const std::vector<std::vector<std::string>> argumentLists = {
        {}, {"-c", "jpg"}, {"-U"}, {"-T", "."}};
    for (const auto& environment : {noDisplay, goneDisplay}) {
        for (const auto& arguments : argumentLists) {
            RunOptions options;
            options.workFolder = folder.Path();
            options.environment = environment;
            RunResult result = RunProgram(arguments, options);
            std::string shown = ::testing::PrintToString(arguments) + environment.at("DISPLAY");
            EXPECT_EQ(result.out, "") << shown;
            EXPECT_EQ(result.exitStatus, 1) << shown;
            EXPECT_EQ(SplitLines(result.err).size(), 1u) << shown << result.err;
            EXPECT_NE(result.err.find("velmoracmd -h"), std::string::npos) << result.err;
        }
    }
    EXPECT_FALSE(FileExists(folder / "velmora1.jpg"));
}

// A console run never loads Qt: the dynamic loader's own account of the files it opened
// names FreeImage but neither Qt nor the face's library.
TEST_F(CommandLine, AConsoleConversionLoadsNoQt) {
    RunOptions options;
    options.workFolder = folder.Path();
    options.environment = {{"LD_DEBUG", "files"}};
    RunResult result = RunProgram({"-q", "-i", "sample.dng"}, options);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_TRUE(FileExists(folder / "sample.tiff"));
    EXPECT_NE(result.err.find("libfreeimage"), std::string::npos) << "LD_DEBUG took no effect";
    EXPECT_EQ(result.err.find("libQt6"), std::string::npos);
    EXPECT_EQ(result.err.find("libvelmora-face"), std::string::npos);
}

TEST_F(CommandLine, ASecondInstanceIsRefused) {
    std::string lockPath = folder / "Corvanta ZUV iv EDAZ 3.2.lock";
    int fd = open(lockPath.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    RunResult result = Run({"-i", "sample.dng"});
    close(fd);
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(SplitLines(result.err).size(), 1u) << result.err;
    EXPECT_FALSE(FileExists(folder / "sample.tiff"));
    EXPECT_EQ(Run({"-v"}).exitStatus, 0) << "the lock is free again";
}

// With VELMORA_PARALLEL=1 console runs share the lock: beside another sharing run they convert,
// and four at once to one name leave one whole TIFF and nothing else. A run without the
// variable, a window, and a run beside a window are refused.
TEST_F(CommandLine, ConsoleRunsShareTheLockOnRequest) {
    RunOptions parallel{folder.Path(), {}, {{"VELMORA_PARALLEL", "1"}}};
    int fd = open((folder / "Corvanta ZUV iv EDAZ 3.2.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(flock(fd, LOCK_SH | LOCK_NB), 0) << "another run that shares";
    EXPECT_EQ(RunProgram({"-q", "-i", "sample.dng"}, parallel).exitStatus, 0);
    RunResult alone = Run({"-q", "-i", "sample.dng"});
    EXPECT_EQ(alone.exitStatus, 3);
    EXPECT_NE(alone.err.find("VELMORA_PARALLEL=1"), std::string::npos) << alone.err;
    EXPECT_EQ(RunProgram({}, parallel).exitStatus, 3) << "a window waits for console runs";
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "a window";
    EXPECT_EQ(RunProgram({"-q", "-i", "sample.dng"}, parallel).exitStatus, 3);
    close(fd);
    std::vector<TempFolder> own(4);
    std::vector<std::future<RunResult>> runs;
    for (const TempFolder& scratch : own)
        runs.push_back(std::async(std::launch::async, [&] {
            RunOptions options{scratch.Path(),
                               {},
                               {{"VELMORA_PARALLEL", "1"}, {"XDG_RUNTIME_DIR", folder.Path()}}};
            return RunProgram({"-q", "-i", folder / "sample.dng", "-o", folder.Path()}, options);
        }));
    for (auto& run : runs)
        EXPECT_EQ(run.get().exitStatus, 0);
    EXPECT_TRUE(LoadWrittenTiff(folder / "sample.tiff"));
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        EXPECT_NE(entry.path().extension(), ".part") << entry.path();
}

// After su or in a container the runtime folder may be unusable: the lock then lies in a
// private folder under TMPDIR, where it still keeps a second instance out.
TEST_F(CommandLine, AnUnusableRuntimeFolderStillGivesOneInstance) {
    RunOptions options{folder.Path(), {}, {{"XDG_RUNTIME_DIR", "/no"}, {"TMPDIR", folder.Path()}}};
    RunResult alone = RunProgram({"-v"}, options);
    EXPECT_EQ(alone.out + std::to_string(alone.exitStatus), "3.2\n0") << alone.err;
    struct stat made;
    std::string mine = folder / ("velmora-" + std::to_string(getuid()));
    EXPECT_TRUE(stat(mine.c_str(), &made) == 0 && (made.st_mode & 0777) == 0700);
    int fd = open((mine + "/Corvanta ZUV iv EDAZ 3.2.lock").c_str(), O_RDWR);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(RunProgram({"-v"}, options).exitStatus, 3);
    close(fd);
}

TEST_F(CommandLine, PauseWithoutATerminalReturnsAtEndOfInput) {
    RunResult result = Run({"-p", "-q", "-i", "sample.dng"});
    EXPECT_EQ(result.OutLines(), std::vector<std::string>{"Press any key to exit."});
    EXPECT_EQ(result.exitStatus, 0);
    RunResult failed = Run({"-p", "-i"});
    EXPECT_EQ(failed.OutLines(), std::vector<std::string>{"Error: Incorrect number of parameters"});
}

TEST_F(CommandLine, ProfileAppliesAtItsPlace) {
    WriteFile(folder / "p.ini", "\xEF\xBB\xBF; a profile\n[Other]\n--TIFF-BPP = 16\n[cli]\n"
                                "--tiff-bpp = 48\n--FILENAME-MASK = \"%filename%-p.%ext%\"\n"
                                "--INPUT = elsewhere.dng\n");
    RunResult result = Run({"-q", "--tiff-bpp=16", "--profile=p.ini", "-i", "sample.dng"});
    EXPECT_EQ(result.exitStatus, 0) << result.out;
    EXPECT_TRUE(FileExists(folder / "sample-p.tiff"));
    // An option after the profile overrides it.
    EXPECT_EQ(Run({"-q", "--profile=p.ini", "--tiff-bpp=16", "-i", "sample.dng"}).OutLines(),
              std::vector<std::string>{"Error: Invalid tiff-bpp value"});
    // A profile cannot name the input: without -i the window is wanted.
    EXPECT_EQ(Run({"--profile=p.ini"}).exitStatus, 1);
}

TEST_F(CommandLine, QuotedValuesSplitByTheShellAreJoined) {
    RunResult result = Run({"-q", "-d", "-i", "sample.dng", "--filename-mask=\"joined", "name\"",
                            "--wm-text=\"two", "words\"", "--wm-font=DejaVu Sans"});
    std::vector<std::string> lines = result.OutLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Filename Mask: joined name"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Watermark text: two words"), lines.end());
    EXPECT_TRUE(FileExists(folder / "joined name")) << result.out;
}

} // namespace
} // namespace velmora::testing
