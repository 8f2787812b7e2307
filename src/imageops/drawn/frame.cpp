#include "imageops/drawn/frame.h"

#include "imageops/color.h"
#include "imageops/drawn/drawing.h"
#include "imageops/drawn/picture_io.h"

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
FrameBandPaths BandPaths(int width, int height, int left, int right, int top, int bottom) {
    int64_t w = width, h = height, L = left, R = right, T = top, B = bottom;
    return {
        Path({"M 0 0 l ", " 0 l ", " ", " l ", " 0 Z"}, {w, -R, T, -(w - L - R)}),
        Path({"M ", " 0 l 0 ", " l ", " ", " l 0 ", " Z"}, {w, h, -R, -B, -(h - T - B)}),
        Path({"M ", " ", " l ", " 0 l ", " ", " l ", " 0 Z"}, {w, h, -w, L, -B, w - L - R}),
        Path({"M 0 ", " l 0 ", " l ", " ", " l 0 ", " Z"}, {h, -h, L, T, h - T - B}),
    };
}

Picture DrawFrameLayer(const FrameRequest& request, int w, int h) {
    auto raster = Raster::Create(w, h);
    if (!raster)
        return nullptr;
    const FrameBands& band = request.bands;
    int64_t L = band.left, R = band.right, T = band.top, B = band.bottom;
    Rgba top = ParseHexColorAlpha(request.topColor, 255);
    Rgba right = ParseHexColorAlpha(request.rightColor, 255);
    Rgba bottom = ParseHexColorAlpha(request.bottomColor, 255);
    Rgba left = ParseHexColorAlpha(request.leftColor, 255);
    FrameBandPaths bands = BandPaths(w, h, band.left, band.right, band.top, band.bottom);
    // The corner boxes go first so the diagonals of the bands split them without a seam.
    bool drawn = FillRect(*raster, 0, 0, L, T, top, Blend::kOver) &&
                 FillRect(*raster, w - R, 0, R, T, right, Blend::kOver) &&
                 FillRect(*raster, w - R, h - B, R, B, bottom, Blend::kOver) &&
                 FillRect(*raster, 0, h - B, L, B, left, Blend::kOver) &&
                 FillPath(*raster, bands.top, top) && FillPath(*raster, bands.right, right) &&
                 FillPath(*raster, bands.bottom, bottom) && FillPath(*raster, bands.left, left);
    if (!drawn || !FadeRaster(*raster, request.opacity))
        return nullptr;
    return HandOverToFreeImage(std::move(*raster));
}

// A layer too large for the memory left fails that layer, not the run.
Picture FrameLayer(const FrameRequest& request, int w, int h) {
    try {
        return DrawFrameLayer(request, w, h);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

Picture ApplyFrame(Picture picture, const FrameRequest& request, int width, int height) {
    if (request.kind == FrameKind::None || !picture)
        return picture;
    if (PictureBpp(picture) != 24)
        picture = Picture(FreeImage_ConvertTo24Bits(picture.get()));
    if (request.kind != FrameKind::Solid || !picture)
        return picture;
    Picture layer = FrameLayer(request, width, height);
    if (!layer)
        return picture;
    return Picture(FreeImage_Composite(layer.get(), FALSE, nullptr, picture.get()));
}

} // namespace velmora
