// The pictures of the graphical face drawn by our own code with cairo, at any size: the
// built-in pictures of the three tables and the pictures of the shipped theme archives.
#pragma once

#include "gui/storage/themes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class PictureStyle {
    // Ink outlines that wobble a little and pale fills: the built-in look.
    kHandDrawn,
    // Crisp shapes in strong colours, edged in a darker shade of their own.
    kFlat,
};

// Every name a picture is drawn for: the names of the three tables.
const std::vector<std::string>& DrawnPictureNames();

// The picture of that name, size by size pixels; an empty picture for a name not drawn
// or a size outside 1 to 1024.
ThemePicture DrawPicture(std::string_view name, int size, PictureStyle style);

// The program's icon in the desktop's menus and file managers: the photograph of the
// OutFormat picture with the Convert picture over its corner. Sizes as DrawPicture.
ThemePicture DrawProgramIcon(int size, PictureStyle style);
// The same drawing as a scalable SVG document; nullopt when cairo cannot write it.
std::optional<std::string> ProgramIconSvg(PictureStyle style);

} // namespace velmora
