// theme-packer STYLE THEME.CFG OUTPUT.ZIP: draws the pictures theme.cfg names in the given
// style ("handdrawn" or "flat") and packs them with theme.cfg into a theme archive.
#include "theme_archive.h"

#include "platform/files.h"
#include "platform/temp_files.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace velmora;
    if (argc != 4) {
        std::fprintf(stderr, "usage: theme-packer handdrawn|flat THEME.CFG OUTPUT.ZIP\n");
        return 2;
    }
    std::string style = argv[1];
    if (style != "handdrawn" && style != "flat") {
        std::fprintf(stderr, "theme-packer: unknown style %s\n", argv[1]);
        return 2;
    }
    auto config = ReadWholeFile(argv[2], 1u << 20);
    if (!config) {
        std::fprintf(stderr, "theme-packer: cannot read %s\n", argv[2]);
        return 1;
    }
    auto entries =
        ThemeEntries(*config, style == "flat" ? PictureStyle::kFlat : PictureStyle::kHandDrawn);
    if (!entries) {
        std::fprintf(stderr, "theme-packer: %s names a picture that cannot be drawn\n", argv[2]);
        return 1;
    }
    auto zip = PackZip(*entries);
    if (!zip || !WriteFileAtomically(argv[3], *zip)) {
        std::fprintf(stderr, "theme-packer: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
