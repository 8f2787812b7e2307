#include "imageops/drawn/watermark.h"

#include "imageops/drawn/image_layer.h"
#include "imageops/drawn/text_layer.h"
#include "imageops/drawn/watermark_size.h"

#include <algorithm>

namespace velmora {
namespace {

bool Turns(const WatermarkPlacement& placement) {
    return placement.rotation > 0 && placement.rotation < 360;
}

struct Area {
    int64_t x = 0, y = 0, width = 0, height = 0;
};

Area PlacementArea(const WatermarkRequest& request, int width, int height) {
    const std::optional<FrameBands>& frame = request.frame;
    if (frame && request.placement.boundary == Boundary::Frame)
        return {frame->left, frame->top, int64_t{width} - frame->left - frame->right,
                int64_t{height} - frame->top - frame->bottom};
    return {0, 0, width, height};
}

Picture Layer(const WatermarkRequest& request) {
    if (request.kind == WatermarkKind::Text)
        return BuildTextLayer(request.text);
    if (request.kind == WatermarkKind::Image)
        return BuildImageLayer(request.picture);
    return nullptr;
}

// What the fit rule keeps of the area: the offsets are margins on their side.
Extent Room(const Area& area, const WatermarkPlacement& placement) {
    return {area.width - std::max<int64_t>(placement.xOffset, 0),
            area.height - std::max<int64_t>(placement.yOffset, 0)};
}

// Text is laid out again at the scaled font, turned as before. Its width does not follow
// the font exactly (whole-pixel advances), so a fitted block that came out a little too
// large is laid out once more at the size that fits.
Picture ScaleTextLayer(const TextWatermark& text, double factor,
                       const WatermarkPlacement& placement, Extent room) {
    constexpr int kFitAttempts = 3;
    TextScaling scaling{factor};
    // Only an upright block is cut to the room before it is drawn; a turned one is cut
    // after turning.
    if (placement.size.mode == SizeMode::Fill && !Turns(placement))
        scaling.keptWidth = room.width, scaling.keptHeight = room.height;
    Picture layer;
    for (int attempt = 0; attempt < kFitAttempts; ++attempt) {
        layer = RotateWatermark(BuildTextLayer(text, scaling), placement);
        if (!layer || placement.size.mode != SizeMode::Fit)
            break;
        double over = std::min(static_cast<double>(room.width) / PictureWidth(layer),
                               static_cast<double>(room.height) / PictureHeight(layer));
        if (over >= 1.0)
            break;
        scaling.factor *= over;
    }
    return layer;
}

// The layer over the part of the picture it covers. A layer that does not lie wholly
// inside the picture is left out, as pasting it would be refused.
Picture LayOver(Picture picture, FIBITMAP* layer, LayerPosition at) {
    int64_t right = at.x + FreeImage_GetWidth(layer), bottom = at.y + FreeImage_GetHeight(layer);
    if (at.x < 0 || at.y < 0 || right > PictureWidth(picture) || bottom > PictureHeight(picture))
        return picture;
    int left = static_cast<int>(at.x), top = static_cast<int>(at.y);
    Picture under(FreeImage_Copy(picture.get(), left, top, static_cast<int>(right),
                                 static_cast<int>(bottom)));
    if (!under)
        return nullptr;
    Picture blended(FreeImage_Composite(layer, FALSE, nullptr, under.get()));
    // Alpha above 255 copies the pixels instead of mixing them once more.
    if (!blended || !FreeImage_Paste(picture.get(), blended.get(), left, top, 256))
        return nullptr;
    return picture;
}

} // namespace

Picture RotateWatermark(Picture layer, const WatermarkPlacement& placement) {
    if (!layer || !Turns(placement))
        return layer;
    return Picture(FreeImage_Rotate(layer.get(), static_cast<double>(placement.rotation), nullptr));
}

Picture SizeWatermark(Picture layer, const WatermarkRequest& request, int width, int height) {
    const WatermarkPlacement& placement = request.placement;
    Area area = PlacementArea(request, width, height);
    Extent room = Room(area, placement);
    double factor = LayerScale(placement.size, {PictureWidth(layer), PictureHeight(layer)},
                               {area.width, area.height}, room);
    if (!layer || factor == 1.0)
        return layer;
    if (request.kind == WatermarkKind::Text)
        return ScaleTextLayer(request.text, factor, placement, room);
    return ScalePictureLayer(std::move(layer), factor, room);
}

Picture FitWatermark(Picture layer, const WatermarkRequest& request, int width, int height,
                     int layerWidth, int layerHeight) {
    const WatermarkPlacement& placement = request.placement;
    Area area = PlacementArea(request, width, height);
    int64_t fitWidth = layerWidth, fitHeight = layerHeight;
    bool crop = false;
    if (fitWidth + placement.xOffset > area.width) {
        fitWidth = area.width - placement.xOffset;
        crop = true;
    }
    if (fitHeight + placement.yOffset > area.height) {
        fitHeight = area.height - placement.yOffset;
        crop = true;
    }
    if (!crop || !layer)
        return layer;
    if (fitWidth <= 0 || fitHeight <= 0)
        return nullptr;
    return Picture(
        FreeImage_Copy(layer.get(), 0, 0, static_cast<int>(fitWidth), static_cast<int>(fitHeight)));
}

LayerPosition WatermarkPosition(const WatermarkRequest& request, int width, int height,
                                int layerWidth, int layerHeight) {
    const WatermarkPlacement& placement = request.placement;
    Area area = PlacementArea(request, width, height);
    int64_t xo = placement.xOffset, yo = placement.yOffset;
    int64_t left = xo, center = (area.width - layerWidth) / 2, right = area.width - layerWidth - xo;
    int64_t top = yo, middle = (area.height - layerHeight) / 2,
            bottom = area.height - layerHeight - yo;
    LayerPosition at;
    switch (placement.position) {
    case Position::TopLeft:
        at = {left, top};
        break;
    case Position::TopCenter:
        at = {center, top};
        break;
    case Position::TopRight:
        at = {right, top};
        break;
    case Position::MiddleLeft:
        at = {left, middle};
        break;
    case Position::MiddleCenter:
        at = {center, middle};
        break;
    case Position::MiddleRight:
        at = {right, middle};
        break;
    case Position::BottomLeft:
        at = {left, bottom};
        break;
    case Position::BottomCenter:
        at = {center, bottom};
        break;
    case Position::BottomRight:
        at = {right, bottom};
        break;
    default:
        return {area.x, area.y};
    }
    return {at.x + area.x, at.y + area.y};
}

Picture ApplyWatermark(Picture picture, const WatermarkRequest& request, int width, int height) {
    if (request.kind == WatermarkKind::None || !picture)
        return picture;
    if (PictureBpp(picture) != 24)
        picture = Picture(FreeImage_ConvertTo24Bits(picture.get()));
    if (!picture)
        return nullptr;
    Picture layer = Layer(request);
    if (!layer)
        return picture;
    layer = RotateWatermark(std::move(layer), request.placement);
    layer = SizeWatermark(std::move(layer), request, width, height);
    // The size is read before the move: the order in which arguments are evaluated is not
    // fixed, and a compiler that moves first would pass a size of 0 x 0.
    const int layerWidth = PictureWidth(layer), layerHeight = PictureHeight(layer);
    layer = FitWatermark(std::move(layer), request, width, height, layerWidth, layerHeight);
    // The picture was asked to carry a watermark; going out without it would pass unnoticed.
    if (!layer)
        return nullptr;
    // The layer is placed on a picture of the size the pipeline measured; another size
    // leaves nothing to lay it over.
    if (PictureWidth(picture) != width || PictureHeight(picture) != height)
        return nullptr;
    LayerPosition at =
        WatermarkPosition(request, width, height, PictureWidth(layer), PictureHeight(layer));
    return LayOver(std::move(picture), layer.get(), at);
}

} // namespace velmora
