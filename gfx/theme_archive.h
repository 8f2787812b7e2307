// Packing of theme archives: the ZIP writing and the drawing of a theme's pictures that
// the build runs to make the archives shipped in the gfx folder.
#pragma once

#include "gui/storage/builtin_pictures.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora {

using ArchiveEntries = std::vector<std::pair<std::string, std::string>>; // name, bytes

// A ZIP archive of the entries, in their order; nullopt when libarchive refuses them.
std::optional<std::string> PackZip(const ArchiveEntries& entries);

// The entries of a theme archive for theme.cfg: the file itself, then a PNG for every
// value of groups Buttons and Icons at every size those tables ask for, drawn in the style.
// nullopt when a key names no picture we draw or a picture cannot be encoded.
std::optional<ArchiveEntries> ThemeEntries(std::string_view themeConfig, PictureStyle style);

} // namespace velmora
