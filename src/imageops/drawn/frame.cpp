#include "imageops/drawn/frame.h"

#include "imageops/color.h"
#include "imageops/drawn/drawing.h"
#include "imageops/drawn/picture_io.h"
#include "settings/keywords.h"
#include "settings/settings.h"

#include <cstdint>
#include <new>
#include <string>

namespace velmora {
namespace {

// Numbers are joined without spaces around them; a negative one carries its own sign.
std::string Path(std::initializer_list<std::string_view> pieces,
                 std::initializer_list<int64_t> numbers) {
    std::string path;
    auto number = numbers.begin();
    for (std::string_view piece : pieces) {
        path += piece;
        if (number != numbers.end())
            path += std::to_string(*number++);
    }
    return path;
}

struct FrameBandPaths {
    std::string top, right, bottom, left;
};

// Each band runs from its outer edge to the inner rectangle; the diagonals from the outer
// to the inner corners make the mitres.
FrameBandPaths FrameBands(int width, int height, int left, int right, int top, int bottom) {
    int64_t w = width, h = height, L = left, R = right, T = top, B = bottom;
    return {
        Path({"M 0 0 l ", " 0 l ", " ", " l ", " 0 Z"}, {w, -R, T, -(w - L - R)}),
        Path({"M ", " 0 l 0 ", " l ", " ", " l 0 ", " Z"}, {w, h, -R, -B, -(h - T - B)}),
        Path({"M ", " ", " l ", " 0 l ", " ", " l ", " 0 Z"}, {w, h, -w, L, -B, w - L - R}),
        Path({"M 0 ", " l 0 ", " l ", " ", " l 0 ", " Z"}, {h, -h, L, T, h - T - B}),
    };
}

Picture DrawFrameLayer(int w, int h) {
    const Settings& s = gSettings;
    auto raster = Raster::Create(w, h);
    if (!raster)
        return nullptr;
    int64_t L = s.SolidLeft, R = s.SolidRight, T = s.SolidTop, B = s.SolidBottom;
    Rgba top = ParseHexColorAlpha(s.SolidTopColor, 255);
    Rgba right = ParseHexColorAlpha(s.SolidRightColor, 255);
    Rgba bottom = ParseHexColorAlpha(s.SolidBottomColor, 255);
    Rgba left = ParseHexColorAlpha(s.SolidLeftColor, 255);
    FrameBandPaths bands = FrameBands(w, h, s.SolidLeft, s.SolidRight, s.SolidTop, s.SolidBottom);
    // The corner boxes go first so the diagonals of the bands split them without a seam.
    bool drawn = FillRect(*raster, 0, 0, L, T, top, Blend::kOver) &&
                 FillRect(*raster, w - R, 0, R, T, right, Blend::kOver) &&
                 FillRect(*raster, w - R, h - B, R, B, bottom, Blend::kOver) &&
                 FillRect(*raster, 0, h - B, L, B, left, Blend::kOver) &&
                 FillPath(*raster, bands.top, top) && FillPath(*raster, bands.right, right) &&
                 FillPath(*raster, bands.bottom, bottom) && FillPath(*raster, bands.left, left);
    if (!drawn || !FadeRaster(*raster, s.SolidOpacity))
        return nullptr;
    return HandOverToFreeImage(std::move(*raster));
}

// A layer too large for the memory left fails that layer, not the run.
Picture FrameLayer(int w, int h) {
    try {
        return DrawFrameLayer(w, h);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

Picture ApplyFrame(Picture picture, int width, int height) {
    if (gSettings.DoFrame == kFrameNone || !picture)
        return picture;
    if (PictureBpp(picture) != 24)
        picture = Picture(FreeImage_ConvertTo24Bits(picture.get()));
    if (gSettings.DoFrame != kFrameSolid || !picture)
        return picture;
    Picture layer = FrameLayer(width, height);
    if (!layer)
        return picture;
    return Picture(FreeImage_Composite(layer.get(), FALSE, nullptr, picture.get()));
}

} // namespace velmora
