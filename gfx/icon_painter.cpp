// icon-painter SIZE OUTPUT.png | icon-painter scalable OUTPUT.svg: draws the program's icon
// for the desktop's hicolor theme, in the flat style that stays crisp at 16 pixels.
#include "gui/storage/builtin_pictures.h"
#include "imageops/drawn/png_io.h"
#include "platform/temp_files.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    using namespace velmora;
    if (argc != 3) {
        std::fprintf(stderr, "usage: icon-painter SIZE|scalable OUTPUT\n");
        return 2;
    }
    const std::string size = argv[1], output = argv[2];
    std::optional<std::string> bytes;
    if (size == "scalable") {
        bytes = ProgramIconSvg(PictureStyle::kFlat);
    } else {
        ThemePicture picture = DrawProgramIcon(std::atoi(size.c_str()), PictureStyle::kFlat);
        RgbaPixels pixels{picture.width, picture.height, true, std::move(picture.rgba)};
        if (auto png = picture.width > 0 ? EncodePng(pixels) : std::nullopt)
            bytes = std::string(png->begin(), png->end());
    }
    if (!bytes) {
        std::fprintf(stderr, "icon-painter: cannot draw the icon at %s\n", argv[1]);
        return 1;
    }
    if (!WriteFileAtomically(output, *bytes)) {
        std::fprintf(stderr, "icon-painter: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
