#include "imageops/drawn/text_layer.h"

#include "imageops/color.h"
#include "imageops/drawn/drawing.h"
#include "imageops/drawn/picture_io.h"
#include "imageops/drawn/watermark_font.h"
#include "platform/text.h"
#include "settings/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

namespace velmora {
namespace {

constexpr std::string_view kLineBreak = "%eol%";
// Several lines make a block at least this many pixels wide and lines this many high.
constexpr int64_t kMinimumBlockSide = 10;

enum Alignment { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };

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
TextBlock LayOut(const std::string& text, const Font& font, const TextScaling& scaling) {
    TextBlock block;
    block.lines = WatermarkLines(text);
    block.padding = Scaled(gSettings.TextPadding, scaling.factor);
    int64_t minimum = block.Several() ? kMinimumBlockSide : 0;
    block.width = minimum;
    block.lineHeight = minimum;
    for (const std::string& line : block.lines) {
        TextExtent extent = MeasureText(font, line, TextMode::kRaster);
        block.rasterWidths.push_back(extent.width);
        block.width = std::max<int64_t>(block.width, extent.width);
        block.lineHeight = std::max<int64_t>(block.lineHeight, extent.height);
    }
    block.pitch = block.lineHeight + Scaled(gSettings.FontLeading, scaling.factor);
    block.height = block.lineHeight + block.pitch * static_cast<int64_t>(block.lines.size() - 1);
    block.width += 2 * block.padding;
    block.height += 2 * block.padding;
    block.keptWidth = std::min(block.width, scaling.keptWidth);
    block.keptHeight = std::min(block.height, scaling.keptHeight);
    return block;
}

int64_t AlignLineIn(int64_t lineWidth, int64_t blockWidth, int64_t padding) {
    if (gSettings.TextAlignment == kAlignCenter)
        return std::llround(static_cast<double>(blockWidth - lineWidth) / 2.0);
    if (gSettings.TextAlignment == kAlignRight)
        return blockWidth - lineWidth - padding;
    return padding;
}

// A single line starts at the padding whatever the alignment.
double LineLeft(const TextBlock& block, int lineWidth) {
    return static_cast<double>(block.Several() ? AlignLineIn(lineWidth, block.width, block.padding)
                                               : block.padding);
}

// Every pixel written as it is meant, alpha included: the box in the background colour,
// each line on a cell of it, in hard-edged text.
std::optional<Raster> DrawRasterText(const TextBlock& block, const Font& font) {
    const Settings& s = gSettings;
    auto layer = Raster::Create(block.keptWidth, block.keptHeight);
    if (!layer)
        return std::nullopt;
    Rgba text = ParseHexColorAlpha(s.FontColor, s.TextOpacity);
    Rgba back = ParseHexColorAlpha(s.BackColor, s.BackOpacity);
    if (!FillRaster(*layer, back, Blend::kReplace))
        return std::nullopt;
    for (size_t i = 0; i < block.lines.size(); ++i) {
        double x = LineLeft(block, block.rasterWidths[i]), y = block.LineTop(i);
        if (!FillRect(*layer, x, y, block.rasterWidths[i], static_cast<double>(block.lineHeight),
                      back, Blend::kReplace) ||
            !DrawText(*layer, font, TextMode::kRaster, x, y, block.lines[i], text, Blend::kReplace))
            return std::nullopt;
    }
    return layer;
}

// Opaque text drawn alone, then laid over the box with the two opacities, so overlapping
// glyph edges are not made more transparent twice.
std::optional<Raster> DrawAntialiasedText(const TextBlock& block, const Font& font) {
    const Settings& s = gSettings;
    auto text = Raster::Create(block.keptWidth, block.keptHeight);
    auto layer = Raster::Create(block.keptWidth, block.keptHeight);
    if (!text || !layer)
        return std::nullopt;
    Rgba textColour = ParseHexColorAlpha(s.FontColor, 255);
    for (size_t i = 0; i < block.lines.size(); ++i) {
        int width = MeasureText(font, block.lines[i], TextMode::kAntialiased).width;
        if (!DrawText(*text, font, TextMode::kAntialiased, LineLeft(block, width), block.LineTop(i),
                      block.lines[i], textColour, Blend::kOver))
            return std::nullopt;
    }
    // An opaque box painted at BackOpacity is the box's colour at that alpha.
    if (!FillRaster(*layer, ParseHexColorAlpha(s.BackColor, s.BackOpacity), Blend::kOver) ||
        !PaintRaster(*layer, *text, 0, 0, s.TextOpacity))
        return std::nullopt;
    return layer;
}

Picture DrawTextLayer(const std::string& expandedText, const TextScaling& scaling) {
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
    TextBlock block = LayOut(expandedText, *font, scaling);
    if (!RasterSizeAllowed(block.keptWidth, block.keptHeight))
        return nullptr;
    auto layer = gSettings.TextAntialiasing ? DrawAntialiasedText(block, *font)
                                            : DrawRasterText(block, *font);
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

int AlignLine(int lineWidth, int blockWidth) {
    return static_cast<int>(std::clamp<int64_t>(
        AlignLineIn(lineWidth, blockWidth, gSettings.TextPadding), INT32_MIN, INT32_MAX));
}

Picture BuildTextLayer(const std::string& expandedText, const TextScaling& scaling) {
    // A block too large for the memory left fails that layer, not the run.
    try {
        return DrawTextLayer(expandedText, scaling);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace velmora
