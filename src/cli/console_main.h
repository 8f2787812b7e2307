// The console driver: special first-argument modes, the option loop, the error line,
// the banner and the batch run. It returns what the entry code should do next.
#pragma once

#include "cli/arguments.h"
#include "cli/option_table.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class NextStep {
    Exit,              // the run is over; end with exitCode
    OpenGraphicalFace, // no input option: the converter window takes over
    UninstallWindow,   // "-U"
    Screenshots,       // "-T <folder>"
};

// Exit statuses of a console run.
enum ExitStatus : int {
    kExitOk = 0,
    kExitError = 1, // an "Error: " line ended the run
    kExitNothingConverted = 2,
    kExitLockHeld = 3,
};

struct DriverResult {
    NextStep next = NextStep::Exit;
    int exitCode = kExitOk;
    std::string screenshotFolder;
    // The file the window opens with (--WINDOW=FILE); empty for an empty input field.
    std::string windowInput;
};

// The words recognised only as the first argument, and what each starts.
enum class FirstWordMode { Help, Version, UninstallWindow, Screenshots };
struct FirstArgumentWord {
    std::string_view word; // upper case, as OptionName gives it
    FirstWordMode mode;
    // The help line of the mode, on its first word; the line names all of the mode's words.
    OptionHelp help = {};
};
const std::vector<FirstArgumentWord>& FirstArgumentWords();

// Walks every argument through the option table in order; stops at the first error.
DriverState RunOptionLoop(const Arguments& arguments);

// What ConsoleMain would do with a command line, told without printing or converting: the
// file a start of the converter window opens with ("" for none), or nothing when the line
// asks for a conversion, a first-argument mode or ends in an "Error: " line. Fills the
// process's records as the option loop does.
std::optional<std::string> WindowStartInput(const Arguments& arguments);

// arguments exclude the program name; invokedAs (argv[0]) names the program for the help.
DriverResult ConsoleMain(const Arguments& arguments, const std::string& invokedAs);

} // namespace velmora
