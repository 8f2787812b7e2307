// What a run does to the files it replaces and what it says when a file fails: modes and
// links kept, write-protected targets and folders refused, a reason on standard error, and
// the terminal given back when the pause is interrupted.
#include "e2e/e2e_support.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;
constexpr const char* kSetpriv = "/usr/bin/setpriv";

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

bool IsTiff(const std::string& path) {
    std::string head = ReadFile(path).substr(0, 4);
    return head == std::string("II*\0", 4) || head == std::string("MM\0*", 4);
}

TEST(Outputs, ReplacedFilesKeepTheirProtectionAndFailuresSayWhy) {
    using Folder = const TempFolder&;
    auto earlier = [](const char* name, mode_t mode, const char* link = nullptr) {
        return [=](Folder f) {
            fs::create_directories(fs::path(f / name).parent_path());
            WriteFile(f / name, "earlier");
            chmod((f / name).c_str(), mode);
            if (link)
                fs::create_symlink(link, f / "sample.tiff");
        };
    };
    auto link = [](const char* target) {
        return [=](Folder f) { fs::create_symlink(target, f / "sample.tiff"); };
    };
    struct Case {
        const char* name;
        std::function<void(Folder)> setUp;
        const char *input, *outputFolder; // -o in the test's folder, or none
        bool unprivileged;
        int status;
        std::string reason; // standard error's line after the program's name
        const char* checked;
        const char* holds; // "same" bytes as before the run, a "tiff", or "" for no file
        mode_t mode;       // 0 for any
    } cases[] = {
        {"a private output stays private", earlier("sample.tiff", 0600), "sample.dng", nullptr,
         false, 0, "", "sample.tiff", "tiff", 0600},
        {"a write-protected output stays", earlier("sample.tiff", 0444), "sample.dng", nullptr,
         true, 2, "sample.dng: the existing output file cannot be written: Permission denied",
         "sample.tiff", "same", 0444},
        {"a link is written through", earlier("real/photo.tiff", 0640, "real/photo.tiff"),
         "sample.dng", nullptr, false, 0, "", "real/photo.tiff", "tiff", 0640},
        {"a dangling link fails", link("nowhere.tiff"), "sample.dng", nullptr, false, 2,
         "sample.dng: the output path is a link to a file that does not exist", "nowhere.tiff", "",
         0},
        {"a link to the source is refused", link("sample.dng"), "sample.dng", nullptr, false, 2,
         "sample.dng: the output would replace the file being converted", "sample.dng", "same", 0},
        {"a folder that takes no files is refused",
         [](Folder f) {
             fs::create_directory(f / "locked");
             chmod((f / "locked").c_str(), 0555);
         },
         "sample.dng", "locked", true, 1, "", "locked/sample.tiff", "", 0},
        {"random bytes say why, quiet or not",
         [](Folder f) { WriteFile(f / "junk.dng", NoiseBytes(20000, 4)); }, "junk.dng", nullptr,
         false, 2, "junk.dng: not a camera file LibRaw can read", "junk.tiff", "", 0},
    };
    const bool root = geteuid() == 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.unprivileged && root && access(kSetpriv, X_OK) != 0) {
            std::printf("skipped \"%s\": running as root without %s\n", c.name, kSetpriv);
            continue;
        }
        TempFolder folder;
        MakeSampleDng(folder / "sample.dng", {"--width=96", "--height=64"});
        c.setUp(folder);
        const bool linked = fs::is_symlink(folder / "sample.tiff");
        const std::string checked = folder / c.checked;
        const std::string before = fs::exists(checked) ? ReadFile(checked) : "";
        RunOptions options;
        options.workFolder = folder.Path();
        std::vector<std::string> arguments = {"-q", "-i", c.input};
        if (c.outputFolder) // a relative -o would be the program's folder's
            arguments.insert(arguments.end(), {"-o", folder / c.outputFolder});
        if (c.unprivileged && root) {
            // As nobody, with a runtime folder of its own for the instance lock.
            chmod(folder.Path().c_str(), 0777);
            fs::create_directory(folder / "run");
            chown((folder / "run").c_str(), 65534, 65534);
            options.environment["XDG_RUNTIME_DIR"] = folder / "run";
            options.program = kSetpriv;
            arguments.insert(arguments.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups",
                                                 BinaryFolder() + "velmoracmd"});
        }
        RunResult result = RunProgram(arguments, options);
        EXPECT_EQ(result.exitStatus, c.status);
        EXPECT_EQ(result.err, c.reason.empty() ? "" : "velmoracmd: " + c.reason + "\n");
        if (c.status == 1) {
            EXPECT_EQ(result.OutLines(), std::vector<std::string>{"Error: Invalid output folder"});
        }
        const std::string holds = c.holds;
        EXPECT_EQ(fs::exists(checked), !holds.empty());
        EXPECT_TRUE(holds != "tiff" || IsTiff(checked));
        EXPECT_TRUE(holds != "same" || ReadFile(checked) == before);
        EXPECT_TRUE(c.mode == 0 || ModeOf(checked) == c.mode) << std::oct << ModeOf(checked);
        EXPECT_EQ(fs::is_symlink(folder / "sample.tiff"), linked);
        for (const auto& entry : fs::recursive_directory_iterator(folder.Path()))
            EXPECT_FALSE(entry.path().string().ends_with(".part")) << entry.path();
    }
}

// Ctrl-C at the one-key pause: the terminal keeps echo and line editing.
TEST(Outputs, AnInterruptedPauseGivesTheTerminalBack) {
    TempFolder folder;
    MakeSampleDng(folder / "sample.dng", {"--width=96", "--height=64"});
    int master = -1, terminal = -1;
    ASSERT_EQ(openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    std::string program = BinaryFolder() + "velmoracmd";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setsid();
        ioctl(terminal, TIOCSCTTY, 0);
        dup2(terminal, 0), dup2(terminal, 1), dup2(terminal, 2);
        if (chdir(folder.Path().c_str()) != 0)
            _exit(127);
        setenv("XDG_RUNTIME_DIR", folder.Path().c_str(), 1);
        signal(SIGINT, SIG_DFL);
        execl(program.c_str(), program.c_str(), "-p", "-q", "-i", "sample.dng", nullptr);
        _exit(127);
    }
    std::string seen;
    char buffer[256];
    while (seen.find("Press any key to exit.") == std::string::npos) {
        ssize_t got = read(master, buffer, sizeof buffer);
        ASSERT_GT(got, 0) << seen;
        seen.append(buffer, static_cast<size_t>(got));
    }
    termios now{};
    for (int tries = 0; tries < 2000 && tcgetattr(terminal, &now) == 0 && (now.c_lflag & ECHO);
         ++tries)
        usleep(1000); // until the key read has the terminal in raw mode
    ASSERT_FALSE(now.c_lflag & ECHO) << "the pause never switched the terminal";
    ASSERT_EQ(write(master, "\x03", 1), 1); // Ctrl-C, as the terminal sends it
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    ASSERT_EQ(tcgetattr(terminal, &now), 0);
    EXPECT_TRUE((now.c_lflag & ECHO) && (now.c_lflag & ICANON));
    close(master);
    close(terminal);
}

} // namespace
} // namespace velmora::testing
