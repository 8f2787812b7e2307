// The graphical face lives in its own shared library, opened only when a window is
// needed, so console runs never load Qt.
#pragma once

#include <string>

// The face's entry point: mode is one of the FaceMode values, argument the screenshot
// folder for FaceMode::Screenshots and the input file (or "") for FaceMode::MainWindow,
// program the name its messages give the program.
// Returns the process's exit status.
extern "C" typedef int (*VelmoraFaceEntry)(int mode, const char* argument, const char* program);

namespace velmora {

enum class FaceMode : int { MainWindow = 0, UninstallWindow = 1, Screenshots = 2 };

inline constexpr const char* kFaceLibraryName = "libvelmora-face.so";
inline constexpr const char* kFaceEntrySymbol = "VelmoraFaceMain";
// The face's interface as this program was built with it, which the face's kFaceAbiSymbol
// returns: raised whenever VelmoraFaceEntry or what the face takes from the executable changes.
inline constexpr int kFaceAbi = 1;
inline constexpr const char* kFaceAbiSymbol = "VelmoraFaceAbi";
// The exit status of a face that cannot show its window, as for an "Error: " line.
inline constexpr int kFaceFailureStatus = 1;

// The one line written to standard error when no window can be shown; the entry code and
// the face (for a missing display) word it alike.
inline std::string FaceUnavailableLine(const std::string& program, const std::string& reason) {
    return program + ": the graphical face cannot start (" + reason + "); run \"" + program +
           " -h\" for the command line\n";
}

} // namespace velmora
