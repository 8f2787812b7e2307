// The graphical face lives in its own shared library, opened only when a window is
// needed, so console runs never load Qt.
#pragma once

// The face's entry point: mode is one of the FaceMode values, argument the screenshot
// folder for FaceMode::Screenshots. Returns the process's exit status.
extern "C" typedef int (*VelmoraFaceEntry)(int mode, const char* argument);

namespace velmora {

enum class FaceMode : int { MainWindow = 0, UninstallWindow = 1, Screenshots = 2 };

inline constexpr const char* kFaceLibraryName = "libvelmora-face.so";
inline constexpr const char* kFaceEntrySymbol = "VelmoraFaceMain";

} // namespace velmora
