// The settings file of the graphical face, config.ini in the user's configuration folder:
// read once when the window opens, written when it closes and when Preferences confirms.
#pragma once

#include <string>

namespace velmora {

// $XDG_CONFIG_HOME (default ~/.config) + "Corvanta/velmora/", created when missing.
std::string ConfigFolder();
// ConfigFolder() + "config.ini": what gSettings.ConfigPath is set to before LoadConfig.
std::string ConfigFilePath();
// Reads gSettings.ConfigPath into gSettings (defaults for what is missing, then the
// version migrations); never fails outward. False when there was no file to read: gSettings
// then holds the interface defaults and the window still wants centring.
bool LoadConfig();
// Writes gSettings to gSettings.ConfigPath through a temporary file renamed over the old
// one; never fails outward. False when nothing could be written.
bool SaveConfig();

// The interface run's default window position: (desktop - window) / 2 on each axis where
// the desktop is larger, else 100. The storage layer has no screen, so the face passes it.
void CentreWindowOnDesktop(int desktopWidth, int desktopHeight);
// Preferences "Reset to Defaults": the interface defaults, the window centred, then saved.
bool ResetConfigToDefaults(int desktopWidth, int desktopHeight);

// The window's state as the face sees it when the main window closes.
struct WindowState {
    bool maximized = false;
    bool minimized = false;
    int x = 0, y = 0, width = 0, height = 0;
};
// Records the window's geometry by the closing rules: a minimised window changes nothing,
// a maximised one sets IsMaximized and keeps the normal geometry, any other takes its own.
void CaptureWindowState(const WindowState& window);
// CaptureWindowState, then empties the recent output folders when their history is off,
// then saves.
bool SaveConfigOnExit(const WindowState& window);

} // namespace velmora
