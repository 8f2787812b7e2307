// Runs the real velmoracmd as a user would: its own working folder, runtime folder and
// configuration folder, standard input from /dev/null, output captured.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace velmora::testing {

struct RunResult {
    int exitStatus = -1; // -1 when the program did not exit normally
    int signal = 0;      // the signal that ended it, if any
    std::string out;
    std::string err;
    std::vector<std::string> OutLines() const;
};

struct RunOptions {
    std::string workFolder;                         // working folder of the run (required)
    std::string program;                            // defaults to the built velmoracmd
    std::map<std::string, std::string> environment; // added to or replacing the parent's
    long fileSizeLimit = -1;                        // RLIMIT_FSIZE in bytes, -1 for none
    unsigned timeoutSeconds = 0; // SIGALRM ends a run that takes longer; 0 for none
};

RunResult RunProgram(const std::vector<std::string>& arguments, const RunOptions& options);

// RunProgram in two halves, for a test that acts on the program while it runs.
struct StartedProgram {
    int pid;
    std::string workFolder;
};
StartedProgram StartProgram(const std::vector<std::string>& arguments, const RunOptions& options);
RunResult FinishProgram(const StartedProgram& started);

std::vector<std::string> SplitLines(const std::string& text);

} // namespace velmora::testing
