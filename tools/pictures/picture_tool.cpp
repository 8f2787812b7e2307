// Small picture chores for the README's pictures, on FreeImage:
//   picture-tool logo OUT.png              a 96 x 96 logo with transparent corners
//   picture-tool thumbnail IN OUT.png W    IN scaled to W pixels wide, saved as PNG
#include <FreeImage.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "picture-tool: %s\n", message.c_str());
    return 1;
}

// A ring in the project's teal on a transparent square, softened at its edges.
FIBITMAP* MakeLogo() {
    constexpr int kSide = 96;
    FIBITMAP* logo = FreeImage_Allocate(kSide, kSide, 32);
    if (!logo)
        return nullptr;
    for (int y = 0; y < kSide; ++y) {
        BYTE* row = FreeImage_GetScanLine(logo, y);
        for (int x = 0; x < kSide; ++x) {
            double distance = std::hypot(x + 0.5 - kSide / 2.0, y + 0.5 - kSide / 2.0);
            double ring = 1.0 - std::clamp(std::fabs(distance - 32.0) - 8.0, 0.0, 1.0);
            double dot = 1.0 - std::clamp(distance - 14.0, 0.0, 1.0);
            double alpha = std::max(ring, dot);
            row[x * 4 + FI_RGBA_RED] = 20;
            row[x * 4 + FI_RGBA_GREEN] = 160;
            row[x * 4 + FI_RGBA_BLUE] = 150;
            row[x * 4 + FI_RGBA_ALPHA] = static_cast<BYTE>(std::lround(alpha * 230));
        }
    }
    return logo;
}

int Thumbnail(const char* in, const char* out, int width) {
    FIBITMAP* picture = FreeImage_Load(FreeImage_GetFileType(in), in, 0);
    if (!picture)
        return Fail(std::string("cannot read ") + in);
    int height = static_cast<int>(std::lround(static_cast<double>(FreeImage_GetHeight(picture)) *
                                              width / FreeImage_GetWidth(picture)));
    FIBITMAP* small = FreeImage_Rescale(picture, width, height, FILTER_CATMULLROM);
    FreeImage_Unload(picture);
    FIBITMAP* rgb = small ? FreeImage_ConvertTo24Bits(small) : nullptr;
    bool saved = rgb && FreeImage_Save(FIF_PNG, rgb, out, PNG_Z_BEST_COMPRESSION);
    if (small)
        FreeImage_Unload(small);
    if (rgb)
        FreeImage_Unload(rgb);
    return saved ? 0 : Fail(std::string("cannot write ") + out);
}

} // namespace

int main(int argc, char** argv) {
    // libtiff complains about every EXIF tag FreeImage asks it for; nothing to act on here.
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "logo" && argc == 3) {
        FIBITMAP* logo = MakeLogo();
        bool saved = logo && FreeImage_Save(FIF_PNG, logo, argv[2], 0);
        if (logo)
            FreeImage_Unload(logo);
        return saved ? 0 : Fail(std::string("cannot write ") + argv[2]);
    }
    if (command == "thumbnail" && argc == 5 && std::atoi(argv[4]) > 0)
        return Thumbnail(argv[2], argv[3], std::atoi(argv[4]));
    return Fail("usage: picture-tool logo OUT.png | picture-tool thumbnail IN OUT.png WIDTH");
}
