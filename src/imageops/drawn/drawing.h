// The drawing facility the frame and the watermark layers are drawn with, on cairo, pango
// and fontconfig: 32-bit rasters, fonts by face, size, style and effects, raster and
// antialiased text, text measurement, filled rectangles and M / l / Z paths, painting with
// a constant alpha.
#pragma once

#include "imageops/color.h"
#include "imageops/drawn/rgba_pixels.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The libraries' own handles, named here so their headers stay out of ours.
typedef struct _cairo_surface cairo_surface_t;
typedef struct _PangoFontDescription PangoFontDescription;

namespace velmora {

// How a drawing operation meets what the raster holds: blended over it, or replacing all
// four channels exactly where it draws.
enum class Blend { kOver, kReplace };

// Raster text has hard pixel edges and whole-pixel advances; antialiased text is
// positioned and shaded by its outlines.
enum class TextMode { kRaster, kAntialiased };

// A 32-bit ARGB raster (cairo image surface, premultiplied alpha). Move-only.
class Raster {
public:
    // Fully transparent; nullopt when the size is not allowed or memory is short.
    static std::optional<Raster> Create(int64_t width, int64_t height);
    // The pixels, their alpha premultiplied on the way in.
    static std::optional<Raster> FromPixels(const RgbaPixels& pixels);

    int Width() const;
    int Height() const;
    cairo_surface_t* Surface() const { return surface_.get(); }

    // Straight (not premultiplied) colour of one pixel, rows from the top.
    Rgba PixelAt(int x, int y) const;
    RgbaPixels ToPixels() const;

private:
    struct DestroySurface {
        void operator()(cairo_surface_t* surface) const;
    };
    explicit Raster(cairo_surface_t* surface) : surface_(surface) {}
    std::unique_ptr<cairo_surface_t, DestroySurface> surface_;
};

// A font by face, pixel size, style and effects. Move-only.
class Font {
public:
    // family as fontconfig names it; pixelSize the em height in pixels.
    static std::optional<Font> Open(const std::string& family, int pixelSize, bool bold,
                                    bool italic, bool underline, bool strikeout);

    const PangoFontDescription* Description() const { return description_.get(); }
    bool Underline() const { return underline_; }
    bool Strikeout() const { return strikeout_; }

private:
    struct FreeDescription {
        void operator()(PangoFontDescription* description) const;
    };
    Font() = default;
    std::unique_ptr<PangoFontDescription, FreeDescription> description_;
    bool underline_ = false, strikeout_ = false;
};

struct TextExtent {
    int width = 0;  // advance width of the line, rounded to whole pixels
    int height = 0; // height of the line: the font's ascent and descent
};

// Measures one line (line breaks in it are shown, not followed).
TextExtent MeasureText(const Font& font, std::string_view line, TextMode mode);

// Draws one line with its top-left corner at (x, y).
bool DrawText(Raster& raster, const Font& font, TextMode mode, double x, double y,
              std::string_view line, Rgba colour, Blend blend);

// Fills the whole raster, or a rectangle of it (false, drawing nothing, for coordinates
// beyond what the rasteriser can hold).
bool FillRaster(Raster& raster, Rgba colour, Blend blend);
bool FillRect(Raster& raster, double x, double y, double width, double height, Rgba colour,
              Blend blend);

// Fills a path of SVG path data limited to M x y (move to), l dx dy (line by) and Z (close),
// with integer numbers. False, drawing nothing, for other data or coordinates beyond what
// the rasteriser can hold.
bool FillPath(Raster& raster, std::string_view pathData, Rgba colour);

// Paints source onto target at (x, y), blended over it at a constant alpha of 0..255.
bool PaintRaster(Raster& target, const Raster& source, int x, int y, int alpha);

// Multiplies every pixel's alpha by alpha / 255 in place: the raster as it would look
// painted onto a transparent one at that constant alpha.
bool FadeRaster(Raster& raster, int alpha);

} // namespace velmora
