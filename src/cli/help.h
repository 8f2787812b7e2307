// The texts the command-line front end prints by itself: title, version, help, banner.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

inline constexpr int kVersionNumber = 320;
inline constexpr const char* kProductName = "Corvanta ZUV iv EDAZ";
inline constexpr const char* kMakerNotice = "Copyright © 2026 Corvanta. All rights reserved.";
inline constexpr const char* kMakerWebAddress = "https://www.corvanta.com/velmora/";
// The maker's site, under which the converter search lives ("find/from-to/").
inline constexpr const char* kMakerSiteAddress = "https://www.corvanta.com/";
inline constexpr const char* kSupportEmailAddress = "support@corvanta.com";
// Opened by the "-U" window when its box stays checked.
inline constexpr const char* kUninstallPageAddress = "https://www.corvanta.com/uninstall/velmora/";
// The update check's data file, whose text is the latest version number, fetched with one
// plain HTTP/1.0 request; the environment variable VELMORA_UPDATE_ADDRESS overrides it.
inline constexpr const char* kUpdateDataAddress = "http://www.corvanta.com/files/velmora.dat";
// Opened when the user accepts a newer version; VELMORA_UPDATE_PAGE overrides it.
inline constexpr const char* kUpdatePageAddress = kMakerWebAddress;
// Written on the pictures of the "-T" screenshot mode.
inline constexpr const char* kScreenshotWebAddress = "www.corvanta.com";

// "3.2" for 320, "3.2.1" for 321.
std::string VersionText(int number);
// The product name, a space and the version: the console title and the lock's name.
std::string ProgramTitle();
// The name the program was started under (argv[0], which may name a link) without folder
// and extension, as the help and the messages show it.
std::string ExecutableNameForHelp(std::string_view invokedAs);

void PrintVersion();
void PrintHelp(std::string_view invokedAs);
void PrintBanner();

} // namespace velmora
