#include "imageops/drawn/text_layer.h"

#include "imageops/color.h"
#include "imageops/drawn/drawing.h"
#include "imageops/drawn/png_hand_over.h"
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
    int64_t lineHeight = 0, pitch = 0;
    int64_t width = 0, height = 0;

    bool Several() const { return lines.size() > 1; }
    double LineTop(size_t line) const {
        return static_cast<double>(gSettings.TextPadding + pitch * static_cast<int64_t>(line));
    }
};

// The block is always sized by the raster measurement, also when it is drawn antialiased.
TextBlock LayOut(const std::string& text, const Font& font) {
    TextBlock block;
    block.lines = WatermarkLines(text);
    int64_t minimum = block.Several() ? kMinimumBlockSide : 0;
    block.width = minimum;
    block.lineHeight = minimum;
    for (const std::string& line : block.lines) {
        TextExtent extent = MeasureText(font, line, TextMode::kRaster);
        block.rasterWidths.push_back(extent.width);
        block.width = std::max<int64_t>(block.width, extent.width);
        block.lineHeight = std::max<int64_t>(block.lineHeight, extent.height);
    }
    block.pitch = block.lineHeight + gSettings.FontLeading;
    block.height = block.lineHeight + block.pitch * static_cast<int64_t>(block.lines.size() - 1);
    block.width += 2 * int64_t{gSettings.TextPadding};
    block.height += 2 * int64_t{gSettings.TextPadding};
    return block;
}

// A single line starts at the padding whatever the alignment.
double LineLeft(const TextBlock& block, int lineWidth) {
    return block.Several() ? AlignLine(lineWidth, static_cast<int>(block.width))
                           : gSettings.TextPadding;
}

// Every pixel written as it is meant, alpha included: the box in the background colour,
// each line on a cell of it, in hard-edged text.
std::optional<Raster> DrawRasterText(const TextBlock& block, const Font& font) {
    const Settings& s = gSettings;
    auto layer = Raster::Create(block.width, block.height);
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
    auto text = Raster::Create(block.width, block.height);
    auto layer = Raster::Create(block.width, block.height);
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

Picture DrawTextLayer(const std::string& expandedText) {
    const WatermarkFont* loaded = LoadedWatermarkFont();
    if (!loaded)
        return nullptr;
    auto font = Font::Open(loaded->family, loaded->pixelSize, loaded->bold, loaded->italic,
                           loaded->underline, loaded->strikeout);
    if (!font)
        return nullptr;
    TextBlock block = LayOut(expandedText, *font);
    if (!RasterSizeAllowed(block.width, block.height))
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
    int64_t x = gSettings.TextPadding;
    if (gSettings.TextAlignment == kAlignCenter)
        x = std::llround((int64_t{blockWidth} - lineWidth) / 2.0);
    else if (gSettings.TextAlignment == kAlignRight)
        x = int64_t{blockWidth} - lineWidth - gSettings.TextPadding;
    return static_cast<int>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
}

Picture BuildTextLayer(const std::string& expandedText) {
    // A block too large for the memory left fails that layer, not the run.
    try {
        return DrawTextLayer(expandedText);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace velmora
