// The settings file of the graphical face, config.ini in the user's configuration folder:
// read once when the window opens, written when it closes and when Preferences confirms.
#pragma once

#include <string>

namespace velmora {

// $XDG_CONFIG_HOME (default ~/.config) + "Corvanta/velmora/", created when missing.
std::string ConfigFolder();
// Reads gSettings.ConfigPath into gSettings (defaults for what is missing, then the
// version migrations); never fails outward.
void LoadConfig();
// Writes gSettings to gSettings.ConfigPath through a temporary file renamed over the old
// one; never fails outward. False when nothing could be written.
bool SaveConfig();

// The window's state as the face sees it when the main window closes.
struct WindowState {
    bool maximized = false;
    bool minimized = false;
    int x = 0, y = 0, width = 0, height = 0;
};
// Records the window's geometry by the closing rules (a maximised window keeps its normal
// geometry, a minimised one changes nothing), empties the recent output folders when their
// history is off, then saves.
bool SaveConfigOnExit(const WindowState& window);

}  // namespace velmora
