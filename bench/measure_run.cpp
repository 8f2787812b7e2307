// One whole-process run for bench/run: starts the command with its output discarded, waits
// for it and prints "microseconds peak_kilobytes exit_status". The time is taken around
// fork and wait alone, so nothing of the measuring itself (a shell, date, time(1)) is in it;
// the peak is the largest resident set of the command or of any process it waited for.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace {

long long NowMicroseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: measure-run command [argument...]\n");
        return 2;
    }
    long long start = NowMicroseconds();
    pid_t child = fork();
    if (child < 0)
        return 2;
    if (child == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return 2;
    long long elapsed = NowMicroseconds() - start;
    int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("%lld %ld %d\n", elapsed, usage.ru_maxrss, exitStatus);
    return 0;
}
