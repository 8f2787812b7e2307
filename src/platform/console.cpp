#include "platform/console.h"

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
    termios saved;
    if (tcgetattr(STDIN_FILENO, &saved) != 0)
        return;
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    ssize_t ignored = read(STDIN_FILENO, &byte, 1);
    (void)ignored;
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

QuietStandardError::QuietStandardError() {
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

void SetConsoleSinkForTesting(std::function<void(std::string_view line)> sink) {
    Sink() = std::move(sink);
}

} // namespace velmora
