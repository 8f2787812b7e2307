#include "e2e/run_program.h"

#include "support/test_support.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velmora::testing {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> RunResult::OutLines() const {
    return SplitLines(out);
}

StartedProgram StartProgram(const std::vector<std::string>& arguments, const RunOptions& options) {
    std::string program = options.program.empty() ? BinaryFolder() + "velmoracmd" : options.program;
    std::string outPath = options.workFolder + ".stdout";
    std::string errPath = options.workFolder + ".stderr";

    std::map<std::string, std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        size_t equals = text.find('=');
        if (equals != std::string::npos)
            environment[text.substr(0, equals)] = text.substr(equals + 1);
    }
    // A run never finds a display unless the test gives it one: a window that opened by
    // accident would wait for a user who is not there.
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.erase(display);
    environment["XDG_RUNTIME_DIR"] = options.workFolder;
    environment["XDG_CONFIG_HOME"] = options.workFolder + ".config";
    // No colour profile the machine has installed finds its way into a run.
    environment["XDG_DATA_HOME"] = options.workFolder + ".data";
    environment["XDG_DATA_DIRS"] = options.workFolder + ".data-dirs";
    for (const auto& [key, value] : options.environment)
        environment[key] = value;
    std::vector<std::string> envText;
    for (const auto& [key, value] : environment)
        envText.push_back(key + "=" + value);

    std::vector<char*> argv{program.data()};
    std::vector<std::string> argumentCopies = arguments;
    for (std::string& argument : argumentCopies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : envText)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(options.workFolder.c_str()) != 0)
            _exit(127);
        dup2(in, 0), dup2(out, 1), dup2(err, 2);
        // As a shell leaves them: the program itself must keep SIGXFSZ from killing it.
        for (int sig : {SIGXFSZ, SIGINT, SIGTERM, SIGHUP})
            signal(sig, SIG_DFL);
        if (options.fileSizeLimit >= 0) {
            rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                         static_cast<rlim_t>(options.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (options.timeoutSeconds > 0)
            alarm(options.timeoutSeconds); // survives execve, so a hang ends in SIGALRM
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    return {child, options.workFolder};
}

RunResult FinishProgram(const StartedProgram& started) {
    std::string outPath = started.workFolder + ".stdout";
    std::string errPath = started.workFolder + ".stderr";
    int status = 0;
    waitpid(started.pid, &status, 0);
    RunResult result;
    if (WIFEXITED(status))
        result.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return result;
}

RunResult RunProgram(const std::vector<std::string>& arguments, const RunOptions& options) {
    return FinishProgram(StartProgram(arguments, options));
}

} // namespace velmora::testing
