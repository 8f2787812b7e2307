#include "imageops/drawn/drawing.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmora {
namespace {

// cairo keeps coordinates in 24.8 fixed point; staying well inside it keeps every sum of
// a path's relative steps exact.
constexpr int64_t kMaxPathCoordinate = int64_t{1} << 22;
constexpr int kMaxFontPixels = 1 << 16;

struct DestroyContext {
    void operator()(cairo_t* context) const { cairo_destroy(context); }
};
using Context = std::unique_ptr<cairo_t, DestroyContext>;

struct UnrefObject {
    void operator()(void* object) const { g_object_unref(object); }
};
using Layout = std::unique_ptr<PangoLayout, UnrefObject>;

Context Begin(cairo_surface_t* surface) {
    Context context(cairo_create(surface));
    if (cairo_status(context.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return context;
}

bool Finish(const Context& context) {
    cairo_surface_flush(cairo_get_target(context.get()));
    return cairo_status(context.get()) == CAIRO_STATUS_SUCCESS;
}

void SetColour(cairo_t* context, Rgba colour) {
    cairo_set_source_rgba(context, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0,
                          colour.alpha / 255.0);
}

cairo_operator_t OperatorFor(Blend blend) {
    return blend == Blend::kReplace ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER;
}

uint8_t Unpremultiply(uint32_t channel, uint32_t alpha) {
    return static_cast<uint8_t>(std::min<uint32_t>(255, (channel * 255 + alpha / 2) / alpha));
}

uint32_t Premultiply(uint32_t channel, uint32_t alpha) {
    return (channel * alpha + 127) / 255;
}

Rgba FromPremultiplied(uint32_t pixel) {
    uint32_t alpha = pixel >> 24;
    if (alpha == 0)
        return Rgba{0, 0, 0, 0};
    return Rgba{Unpremultiply((pixel >> 16) & 0xFF, alpha),
                Unpremultiply((pixel >> 8) & 0xFF, alpha), Unpremultiply(pixel & 0xFF, alpha),
                static_cast<uint8_t>(alpha)};
}

const uint32_t* RowOf(cairo_surface_t* surface, int y) {
    return reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface) +
                                             static_cast<size_t>(y) *
                                                 cairo_image_surface_get_stride(surface));
}

// Raster text: hard edges and whole-pixel advances, as a bitmap font would have.
// Antialiased text: grey edges and unrounded positions from the outlines.
void ApplyTextMode(PangoContext* pango, TextMode mode) {
    cairo_font_options_t* options = cairo_font_options_create();
    bool raster = mode == TextMode::kRaster;
    cairo_font_options_set_antialias(options, raster ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options,
                                      raster ? CAIRO_HINT_STYLE_FULL : CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options,
                                        raster ? CAIRO_HINT_METRICS_ON : CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(pango, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(pango, raster);
}

Layout MakeLayout(cairo_t* context, const Font& font, TextMode mode, std::string_view line) {
    Layout layout(pango_cairo_create_layout(context));
    if (!layout)
        return nullptr;
    ApplyTextMode(pango_layout_get_context(layout.get()), mode);
    pango_layout_context_changed(layout.get());
    pango_layout_set_font_description(layout.get(), font.Description());
    // One line: a line break inside it is drawn as a character, not followed.
    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    // pango takes only valid UTF-8; settings may come from any bytes on a command line.
    gchar* text = g_utf8_make_valid(line.data(), static_cast<gssize>(line.size()));
    pango_layout_set_text(layout.get(), text, -1);
    g_free(text);
    if (font.Underline() || font.Strikeout()) {
        PangoAttrList* attributes = pango_attr_list_new();
        if (font.Underline())
            pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (font.Strikeout())
            pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(layout.get(), attributes);
        pango_attr_list_unref(attributes);
    }
    return layout;
}

struct PathStep {
    char command;
    int64_t x, y; // absolute end point
};

// Parses M / l / Z path data into absolute steps; nullopt for anything else.
std::optional<std::vector<PathStep>> ParsePath(std::string_view data) {
    size_t at = 0;
    auto skipSpaces = [&] {
        while (at < data.size() && (data[at] == ' ' || data[at] == '\t' || data[at] == ','))
            ++at;
    };
    auto number = [&](int64_t& out) {
        skipSpaces();
        bool negative = at < data.size() && data[at] == '-';
        if (negative)
            ++at;
        if (at >= data.size() || data[at] < '0' || data[at] > '9')
            return false;
        int64_t value = 0;
        while (at < data.size() && data[at] >= '0' && data[at] <= '9') {
            value = value * 10 + (data[at++] - '0');
            if (value > kMaxPathCoordinate)
                return false;
        }
        out = negative ? -value : value;
        return true;
    };
    auto inRange = [](int64_t v) { return v >= -kMaxPathCoordinate && v <= kMaxPathCoordinate; };

    std::vector<PathStep> steps;
    int64_t x = 0, y = 0, startX = 0, startY = 0;
    for (skipSpaces(); at < data.size(); skipSpaces()) {
        char command = data[at++];
        if (command != 'M' && steps.empty())
            return std::nullopt;
        int64_t a = 0, b = 0;
        if (command == 'M') {
            if (!number(a) || !number(b))
                return std::nullopt;
            x = startX = a;
            y = startY = b;
        } else if (command == 'l') {
            if (!number(a) || !number(b))
                return std::nullopt;
            x += a;
            y += b;
            if (!inRange(x) || !inRange(y))
                return std::nullopt;
        } else if (command == 'Z') {
            x = startX;
            y = startY;
        } else {
            return std::nullopt;
        }
        steps.push_back({command, x, y});
    }
    if (steps.empty())
        return std::nullopt;
    return steps;
}

} // namespace

std::optional<Raster> Raster::Create(int64_t width, int64_t height) {
    if (!RasterSizeAllowed(width, height))
        return std::nullopt;
    // cairo starts an image surface with every channel 0: transparent.
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, static_cast<int>(width), static_cast<int>(height));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return std::nullopt;
    }
    return Raster(surface);
}

std::optional<Raster> Raster::FromPixels(const RgbaPixels& pixels) {
    auto raster = Create(pixels.width, pixels.height);
    if (!raster)
        return std::nullopt;
    cairo_surface_t* surface = raster->Surface();
    cairo_surface_flush(surface);
    for (int y = 0; y < pixels.height; ++y) {
        auto* row = const_cast<uint32_t*>(RowOf(surface, y));
        for (int x = 0; x < pixels.width; ++x) {
            Rgba c = pixels.At(x, y);
            row[x] = static_cast<uint32_t>(c.alpha) << 24 | Premultiply(c.red, c.alpha) << 16 |
                     Premultiply(c.green, c.alpha) << 8 | Premultiply(c.blue, c.alpha);
        }
    }
    cairo_surface_mark_dirty(surface);
    return raster;
}

void Raster::DestroySurface::operator()(cairo_surface_t* surface) const {
    cairo_surface_destroy(surface);
}

int Raster::Width() const {
    return cairo_image_surface_get_width(surface_.get());
}

int Raster::Height() const {
    return cairo_image_surface_get_height(surface_.get());
}

Rgba Raster::PixelAt(int x, int y) const {
    cairo_surface_flush(surface_.get());
    return FromPremultiplied(RowOf(surface_.get(), y)[x]);
}

RgbaPixels Raster::ToPixels() const {
    cairo_surface_flush(surface_.get());
    RgbaPixels pixels = MakeRgbaPixels(Width(), Height(), true);
    for (int y = 0; y < pixels.height; ++y) {
        const uint32_t* row = RowOf(surface_.get(), y);
        for (int x = 0; x < pixels.width; ++x)
            pixels.Set(x, y, FromPremultiplied(row[x]));
    }
    return pixels;
}

void Font::FreeDescription::operator()(PangoFontDescription* description) const {
    pango_font_description_free(description);
}

std::optional<Font> Font::Open(const std::string& family, int pixelSize, bool bold, bool italic,
                               bool underline, bool strikeout) {
    if (family.empty() || pixelSize <= 0 || pixelSize > kMaxFontPixels)
        return std::nullopt;
    Font font;
    font.description_.reset(pango_font_description_new());
    PangoFontDescription* description = font.description_.get();
    pango_font_description_set_family(description, family.c_str());
    // The em height in device pixels, whatever resolution pango assumes for points.
    pango_font_description_set_absolute_size(description, pixelSize * PANGO_SCALE);
    pango_font_description_set_weight(description, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    font.underline_ = underline;
    font.strikeout_ = strikeout;
    return font;
}

TextExtent MeasureText(const Font& font, std::string_view line, TextMode mode) {
    auto scratch = Raster::Create(1, 1);
    if (!scratch)
        return {};
    Context context = Begin(scratch->Surface());
    if (!context)
        return {};
    Layout layout = MakeLayout(context.get(), font, mode, line);
    if (!layout)
        return {};
    PangoRectangle logical;
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    if (mode == TextMode::kRaster) {
        pango_extents_to_pixels(&logical, nullptr);
        return {logical.width, logical.height};
    }
    return {static_cast<int>(std::lround(static_cast<double>(logical.width) / PANGO_SCALE)),
            PANGO_PIXELS_CEIL(logical.height)};
}

bool DrawText(Raster& raster, const Font& font, TextMode mode, double x, double y,
              std::string_view line, Rgba colour, Blend blend) {
    Context context = Begin(raster.Surface());
    if (!context)
        return false;
    Layout layout = MakeLayout(context.get(), font, mode, line);
    if (!layout)
        return false;
    cairo_set_operator(context.get(), OperatorFor(blend));
    // Underlines and strike-outs are filled rectangles: their edges follow the text mode.
    cairo_set_antialias(context.get(),
                        mode == TextMode::kRaster ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_DEFAULT);
    SetColour(context.get(), colour);
    cairo_move_to(context.get(), x, y);
    pango_cairo_show_layout(context.get(), layout.get());
    return Finish(context);
}

bool FillRaster(Raster& raster, Rgba colour, Blend blend) {
    Context context = Begin(raster.Surface());
    if (!context)
        return false;
    cairo_set_operator(context.get(), OperatorFor(blend));
    SetColour(context.get(), colour);
    cairo_paint(context.get());
    return Finish(context);
}

bool FillRect(Raster& raster, double x, double y, double width, double height, Rgba colour,
              Blend blend) {
    for (double v : {x, y, x + width, y + height})
        if (!(std::fabs(v) <= static_cast<double>(kMaxPathCoordinate)))
            return false;
    Context context = Begin(raster.Surface());
    if (!context)
        return false;
    cairo_set_operator(context.get(), OperatorFor(blend));
    SetColour(context.get(), colour);
    cairo_rectangle(context.get(), x, y, width, height);
    cairo_fill(context.get());
    return Finish(context);
}

bool FillPath(Raster& raster, std::string_view pathData, Rgba colour) {
    auto steps = ParsePath(pathData);
    if (!steps)
        return false;
    Context context = Begin(raster.Surface());
    if (!context)
        return false;
    for (const PathStep& step : *steps) {
        double x = static_cast<double>(step.x), y = static_cast<double>(step.y);
        if (step.command == 'M')
            cairo_move_to(context.get(), x, y);
        else if (step.command == 'l')
            cairo_line_to(context.get(), x, y);
        else
            cairo_close_path(context.get());
    }
    SetColour(context.get(), colour);
    cairo_fill(context.get());
    return Finish(context);
}

bool PaintRaster(Raster& target, const Raster& source, int x, int y, int alpha) {
    Context context = Begin(target.Surface());
    if (!context)
        return false;
    cairo_set_source_surface(context.get(), source.Surface(), x, y);
    cairo_paint_with_alpha(context.get(), std::clamp(alpha, 0, 255) / 255.0);
    return Finish(context);
}

bool FadeRaster(Raster& raster, int alpha) {
    if (alpha >= 255)
        return true;
    Context context = Begin(raster.Surface());
    if (!context)
        return false;
    cairo_set_operator(context.get(), CAIRO_OPERATOR_DEST_IN);
    cairo_set_source_rgba(context.get(), 0, 0, 0, std::clamp(alpha, 0, 255) / 255.0);
    cairo_paint(context.get());
    return Finish(context);
}

} // namespace velmora
