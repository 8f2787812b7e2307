// The console face of the program: standard output in UTF-8, one LF per line,
// the window title on a terminal, and a key read without echo for the pause.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace velmora {

void PrintLine(std::string_view text);
// Sets the terminal's title when standard output is a terminal; otherwise nothing.
void SetConsoleTitle(std::string_view title);
// Waits for one key without echo. On a terminal it switches to raw mode for the read;
// otherwise it reads one byte and returns at end of input, so it never hangs a pipe.
void WaitForKey();
// Async-signal-safe: while WaitForKey has the terminal in raw mode, puts back the settings
// it had before. For the handler of the signals that end the process.
void RestoreTerminalAfterSignal();
void FlushConsole();

// The name error lines on standard error begin with (argv[0]'s, as the help shows it).
void SetProgramNameForErrors(std::string name);
// "NAME: subject: reason" on standard error: a failure the specified lines on standard
// output do not explain. Quiet runs print it too.
void PrintErrorLine(std::string_view subject, std::string_view reason);
// "NAME: text" on standard error, in one write.
void PrintProgramLine(std::string_view text);

// While alive, whatever a library writes to standard error by itself goes nowhere: LibRaw
// prints its decoding complaints there, and the console shows only the program's lines.
// Standard error as it was before any QuietStandardError, for the one line of a failure that
// ends the process, whichever thread meets it.
int UnquietedStandardError();

class QuietStandardError {
public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

// Tests route the printed lines elsewhere; an empty function restores standard output.
void SetConsoleSinkForTesting(std::function<void(std::string_view line)> sink);

} // namespace velmora
