// The "-T" mode: pictures of the converter window for the maker's pages.
#pragma once

#include <QImage>

#include <string>

namespace velmora {

inline constexpr const char* kScreenshotName = "velmora1.jpg";
inline constexpr const char* kSmallScreenshotName = "velmora1x.jpg";

// The window's picture with the maker's web address written on it.
QImage MarkedScreenshot(const QImage& window);
// Opens the window with sample values, captures it and writes both JPEG files into
// folder (the current folder when empty); the exit status. program names the program in
// the error line.
int RunScreenshots(const std::string& folder, const std::string& program);

} // namespace velmora
