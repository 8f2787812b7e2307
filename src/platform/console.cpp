#include "platform/console.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace velmora {
namespace {

std::function<void(std::string_view)>& Sink() {
    static std::function<void(std::string_view)> sink;
    return sink;
}

// The terminal's settings from before the pause, for a signal that ends the process while
// the terminal is in raw mode: left so, the shell would come back without echo.
termios gTerminalBeforePause;
std::atomic<bool> gTerminalRaw{false};

std::string& ProgramNameForErrors() {
    static std::string name = "velmoracmd";
    return name;
}

} // namespace

void PrintLine(std::string_view text) {
    if (Sink()) {
        Sink()(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

void SetConsoleTitle(std::string_view title) {
    if (Sink() || !isatty(STDOUT_FILENO))
        return;
    const char* term = std::getenv("TERM");
    if (!term || std::string_view(term) == "dumb")
        return;
    std::fprintf(stdout, "\033]0;%.*s\007", static_cast<int>(title.size()), title.data());
    std::fflush(stdout);
}

void WaitForKey() {
    FlushConsole();
    char byte;
    if (!isatty(STDIN_FILENO)) {
        ssize_t ignored = read(STDIN_FILENO, &byte, 1);
        (void)ignored;
        return;
    }
    if (tcgetattr(STDIN_FILENO, &gTerminalBeforePause) != 0)
        return;
    termios raw = gTerminalBeforePause;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    gTerminalRaw.store(true);
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    ssize_t ignored = read(STDIN_FILENO, &byte, 1);
    (void)ignored;
    tcsetattr(STDIN_FILENO, TCSANOW, &gTerminalBeforePause);
    gTerminalRaw.store(false);
}

void RestoreTerminalAfterSignal() {
    if (gTerminalRaw.load())
        tcsetattr(STDIN_FILENO, TCSANOW, &gTerminalBeforePause);
}

int UnquietedStandardError() {
    static const int kept = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    return kept >= 0 ? kept : STDERR_FILENO;
}

QuietStandardError::QuietStandardError() {
    // Kept before the first quieting.
    UnquietedStandardError();
    std::fflush(stderr);
    int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (sink < 0)
        return;
    saved_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (saved_ >= 0)
        dup2(sink, STDERR_FILENO);
    close(sink);
}

QuietStandardError::~QuietStandardError() {
    if (saved_ < 0)
        return;
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
}

void FlushConsole() {
    std::fflush(stdout);
}

void SetProgramNameForErrors(std::string name) {
    ProgramNameForErrors() = std::move(name);
}

void PrintErrorLine(std::string_view subject, std::string_view reason) {
    PrintProgramLine(std::string(subject) + ": " + std::string(reason));
}

void PrintProgramLine(std::string_view text) {
    std::string line = ProgramNameForErrors() + ": " + std::string(text) + "\n";
    // One write, so that lines of runs side by side on one terminal do not interleave.
    std::fflush(stderr);
    ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
    (void)ignored;
}

void SetConsoleSinkForTesting(std::function<void(std::string_view line)> sink) {
    Sink() = std::move(sink);
}

} // namespace velmora
