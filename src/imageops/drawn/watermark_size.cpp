#include "imageops/drawn/watermark_size.h"

#include "imageops/raster_bound.h"
#include "settings/keywords.h"

#include <algorithm>
#include <cmath>

namespace velmora {
namespace {

double Ratio(int64_t to, int64_t from) {
    return static_cast<double>(to) / static_cast<double>(from);
}

double LargestScaleWithinBound(Extent layer) {
    double side = Ratio(kMaxRasterSide, std::max(layer.width, layer.height));
    double pixels = std::sqrt(Ratio(kMaxRasterPixels, layer.width * layer.height));
    return std::min(side, pixels);
}

int ScaledSide(int64_t pixels, double factor) {
    return static_cast<int>(
        std::max<int64_t>(std::llround(static_cast<double>(pixels) * factor), 1));
}

} // namespace

double LayerScale(const SizeRequest& request, Extent layer, Extent area, Extent room) {
    if (layer.width <= 0 || layer.height <= 0 || room.width <= 0 || room.height <= 0)
        return 1.0;
    double factor = 1.0;
    switch (request.mode) {
    case SizeMode::Proportional:
        factor = Ratio(area.width, layer.width) * std::clamp(request.scale, 1, 100) / 100.0;
        break;
    case SizeMode::Fit:
        factor = std::min(Ratio(room.width, layer.width), Ratio(room.height, layer.height));
        break;
    case SizeMode::Fill:
        factor = std::max(Ratio(area.width, layer.width), Ratio(area.height, layer.height));
        break;
    case SizeMode::Fixed:
    default:
        return 1.0;
    }
    return std::min(factor, LargestScaleWithinBound(layer));
}

Picture ScalePictureLayer(Picture layer, double factor, Extent room) {
    int64_t width = PictureWidth(layer), height = PictureHeight(layer);
    int64_t keptWidth = std::min<int64_t>(ScaledSide(width, factor), room.width);
    int64_t keptHeight = std::min<int64_t>(ScaledSide(height, factor), room.height);
    if (!layer || keptWidth <= 0 || keptHeight <= 0)
        return layer;
    // The source rectangle that scales to the kept part, whole pixels rounded up.
    auto right = static_cast<int>(std::clamp<int64_t>(
        static_cast<int64_t>(std::ceil(static_cast<double>(keptWidth) / factor)), 1, width));
    auto bottom = static_cast<int>(std::clamp<int64_t>(
        static_cast<int64_t>(std::ceil(static_cast<double>(keptHeight) / factor)), 1, height));
    return Picture(FreeImage_RescaleRect(layer.get(), ScaledSide(right, factor),
                                         ScaledSide(bottom, factor), 0, 0, right, bottom,
                                         FILTER_CATMULLROM, 0));
}

} // namespace velmora
