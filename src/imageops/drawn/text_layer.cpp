#include "imageops/drawn/text_layer.h"

#include "imageops/color.h"
#include "imageops/drawn/drawing.h"
#include "imageops/drawn/picture_io.h"
#include "imageops/drawn/watermark_font.h"
#include "platform/text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

namespace velmora {
namespace {

constexpr std::string_view kLineBreak = "%eol%";
// Several lines make a block at least this many pixels wide and lines this many high.
constexpr int64_t kMinimumBlockSide = 10;

struct TextBlock {
    std::vector<std::string> lines;
    std::vector<int> rasterWidths;
    int64_t padding = 0, lineHeight = 0, pitch = 0;
    int64_t width = 0, height = 0;
    // The part of the block that is drawn: its top-left corner.
    int64_t keptWidth = 0, keptHeight = 0;

    bool Several() const { return lines.size() > 1; }
    double LineTop(size_t line) const {
        return static_cast<double>(padding + pitch * static_cast<int64_t>(line));
    }
};

int64_t Scaled(int64_t pixels, double factor) {
    return std::llround(static_cast<double>(pixels) * factor);
}

// The block is always sized by the raster measurement, also when it is drawn antialiased.
// Padding and leading grow with the font, so a scaled block looks the same.
TextBlock LayOut(const TextWatermark& text, const Font& font, const TextScaling& scaling) {
    TextBlock block;
    block.lines = WatermarkLines(text.text);
    block.padding = Scaled(text.padding, scaling.factor);
    int64_t minimum = block.Several() ? kMinimumBlockSide : 0;
    block.width = minimum;
    block.lineHeight = minimum;
    for (const std::string& line : block.lines) {
        TextExtent extent = MeasureText(font, line, TextMode::kRaster);
        block.rasterWidths.push_back(extent.width);
        block.width = std::max<int64_t>(block.width, extent.width);
        block.lineHeight = std::max<int64_t>(block.lineHeight, extent.height);
    }
    block.pitch = block.lineHeight + Scaled(text.leading, scaling.factor);
    block.height = block.lineHeight + block.pitch * static_cast<int64_t>(block.lines.size() - 1);
    block.width += 2 * block.padding;
    block.height += 2 * block.padding;
    block.keptWidth = std::min(block.width, scaling.keptWidth);
    block.keptHeight = std::min(block.height, scaling.keptHeight);
    return block;
}

// Left edge of a line in the block, padding in from the block's edge (centred lines ignore
// the padding).
int64_t AlignLine(Alignment alignment, int64_t lineWidth, int64_t blockWidth, int64_t padding) {
    if (alignment == Alignment::Center)
        return std::llround(static_cast<double>(blockWidth - lineWidth) / 2.0);
    if (alignment == Alignment::Right)
        return blockWidth - lineWidth - padding;
    return padding;
}

// A single line starts at the padding whatever the alignment.
double LineLeft(const TextBlock& block, Alignment alignment, int lineWidth) {
    return static_cast<double>(block.Several()
                                   ? AlignLine(alignment, lineWidth, block.width, block.padding)
                                   : block.padding);
}

// Every pixel written as it is meant, alpha included: the box in the background colour,
// each line on a cell of it, in hard-edged text.
std::optional<Raster> DrawRasterText(const TextBlock& block, const TextWatermark& style,
                                     const Font& font) {
    auto layer = Raster::Create(block.keptWidth, block.keptHeight);
    if (!layer)
        return std::nullopt;
    Rgba text = ParseHexColorAlpha(style.fontColor, style.textOpacity);
    Rgba back = ParseHexColorAlpha(style.backColor, style.backOpacity);
    if (!FillRaster(*layer, back, Blend::kReplace))
        return std::nullopt;
    for (size_t i = 0; i < block.lines.size(); ++i) {
        double x = LineLeft(block, style.alignment, block.rasterWidths[i]), y = block.LineTop(i);
        if (!FillRect(*layer, x, y, block.rasterWidths[i], static_cast<double>(block.lineHeight),
                      back, Blend::kReplace) ||
            !DrawText(*layer, font, TextMode::kRaster, x, y, block.lines[i], text, Blend::kReplace))
            return std::nullopt;
    }
    return layer;
}

// Opaque text drawn alone, then laid over the box with the two opacities, so overlapping
// glyph edges are not made more transparent twice.
std::optional<Raster> DrawAntialiasedText(const TextBlock& block, const TextWatermark& style,
                                          const Font& font) {
    auto text = Raster::Create(block.keptWidth, block.keptHeight);
    auto layer = Raster::Create(block.keptWidth, block.keptHeight);
    if (!text || !layer)
        return std::nullopt;
    Rgba textColour = ParseHexColorAlpha(style.fontColor, 255);
    for (size_t i = 0; i < block.lines.size(); ++i) {
        int width = MeasureText(font, block.lines[i], TextMode::kAntialiased).width;
        if (!DrawText(*text, font, TextMode::kAntialiased, LineLeft(block, style.alignment, width),
                      block.LineTop(i), block.lines[i], textColour, Blend::kOver))
            return std::nullopt;
    }
    // An opaque box painted at the background's opacity is the box's colour at that alpha.
    if (!FillRaster(*layer, ParseHexColorAlpha(style.backColor, style.backOpacity), Blend::kOver) ||
        !PaintRaster(*layer, *text, 0, 0, style.textOpacity))
        return std::nullopt;
    return layer;
}

Picture DrawTextLayer(const TextWatermark& text, const TextScaling& scaling) {
    const WatermarkFont* loaded = LoadedWatermarkFont();
    if (!loaded)
        return nullptr;
    auto pixelSize = std::max<int64_t>(Scaled(loaded->pixelSize, scaling.factor), 1);
    if (pixelSize > kMaxRasterSide)
        return nullptr;
    auto font = Font::Open(loaded->family, static_cast<int>(pixelSize), loaded->bold,
                           loaded->italic, loaded->underline, loaded->strikeout);
    if (!font)
        return nullptr;
    TextBlock block = LayOut(text, *font, scaling);
    if (!RasterSizeAllowed(block.keptWidth, block.keptHeight))
        return nullptr;
    auto layer = text.antialiasing ? DrawAntialiasedText(block, text, *font)
                                   : DrawRasterText(block, text, *font);
    if (!layer)
        return nullptr;
    return HandOverToFreeImage(std::move(*layer));
}

} // namespace

std::vector<std::string> WatermarkLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = FindIgnoreCase(text, kLineBreak, start)) != std::string::npos;
         start = at + kLineBreak.size())
        lines.push_back(text.substr(start, at - start));
    lines.push_back(text.substr(start));
    return lines;
}

Picture BuildTextLayer(const TextWatermark& text, const TextScaling& scaling) {
    // A block too large for the memory left fails that layer, not the run.
    try {
        return DrawTextLayer(text, scaling);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace velmora
