// The converter window's start and end: format tables, job, settings file, catalogue and
// themes before it opens; the settings written when it has closed.
#pragma once

#include <string>

namespace velmora {

class MainWindow;

void PrepareGraphicalMode();
// Records the closed window's state and writes the settings file.
void FinishGraphicalMode(const MainWindow& window);
// Opens the converter window (with inputFile in its input field when the accept test takes
// it), runs the automatic update check and serves every window until it closes; the exit
// status.
int RunMainWindow(const std::string& inputFile = {});

} // namespace velmora
