// Whether a window can be expected to open, decided before Qt is started: Qt's platform
// plugins end the process when they find no display.
#pragma once

namespace velmora {

// A platform chosen with QT_QPA_PLATFORM is trusted (the start-up guard catches its
// failure); otherwise an X11 or a Wayland display must be named. Null or empty means unset.
bool DisplayIsNamed(const char* platform, const char* x11Display, const char* waylandDisplay);

} // namespace velmora
