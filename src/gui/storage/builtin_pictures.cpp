// Each picture is drawn on a 32 by 32 grid scaled to the size asked for, so one drawing
// serves every icon size without blurry rescaling.
#include "gui/storage/builtin_pictures.h"

#include "imageops/color.h"
#include "imageops/drawn/drawing.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <cmath>
#include <functional>
#include <map>
#include <numbers>

namespace velmora {
namespace {

constexpr double kGrid = 32.0;
constexpr double kPi = std::numbers::pi;
constexpr int kMaxPictureSize = 1024;

struct Pt {
    double x, y;
};
using Points = std::vector<Pt>;

constexpr Rgba kInk{43, 43, 48, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

Rgba Shade(Rgba c, double factor) {
    auto scale = [factor](uint8_t v) { return static_cast<uint8_t>(std::lround(v * factor)); };
    return {scale(c.red), scale(c.green), scale(c.blue), c.alpha};
}

// Pale version for the hand-drawn fills: halfway to white.
Rgba Pale(Rgba c) {
    auto mix = [](uint8_t v) { return static_cast<uint8_t>((v + 255 * 2) / 3); };
    return {mix(c.red), mix(c.green), mix(c.blue), c.alpha};
}

// The colours the pictures are drawn with, named by what they stand for.
namespace colour {
constexpr Rgba kFolder{240, 188, 48, 255};
constexpr Rgba kPaper{250, 250, 246, 255};
constexpr Rgba kGo{46, 160, 67, 255};
constexpr Rgba kBlue{41, 121, 214, 255};
constexpr Rgba kRed{214, 48, 49, 255};
constexpr Rgba kOrange{240, 128, 32, 255};
constexpr Rgba kGrey{128, 134, 142, 255};
constexpr Rgba kWood{150, 96, 52, 255};
constexpr Rgba kSky{135, 196, 240, 255};
constexpr Rgba kGrass{96, 176, 72, 255};
constexpr Rgba kSun{255, 210, 40, 255};
} // namespace colour

// Draws closed shapes and lines in one style. Hand-drawn shapes get their points shaken by
// a generator seeded from the name and size, so a picture is the same on every run.
class Painter {
public:
    Painter(cairo_t* cairo, PictureStyle style, int size, uint32_t seed)
        : cairo_(cairo), style_(style), state_(seed ? seed : 1) {
        // At least one device pixel, so outlines survive at 16 pixels.
        outline_ = std::max(style == PictureStyle::kHandDrawn ? 1.7 : 1.0, kGrid / size);
        cairo_set_line_join(cairo_, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_cap(cairo_, CAIRO_LINE_CAP_ROUND);
    }

    bool HandDrawn() const { return style_ == PictureStyle::kHandDrawn; }
    // Signs on a coloured disc: white reads on strong colours, ink on pale ones.
    Rgba Mark() const { return HandDrawn() ? kInk : kWhite; }

    // A filled closed shape with its outline.
    void Shape(const Points& outline, Rgba fill) {
        Points points = Shaken(outline, true);
        Trace(points, true);
        SetColour(HandDrawn() ? Pale(fill) : fill);
        cairo_fill_preserve(cairo_);
        SetColour(HandDrawn() ? kInk : Shade(fill, 0.7));
        cairo_set_line_width(cairo_, outline_);
        cairo_stroke(cairo_);
    }

    void Disc(Pt centre, double radius, Rgba fill) { Shape(Circle(centre, radius), fill); }

    // Runs a drawing shrunk by scale with its grid's corner at origin; outlines keep their
    // width.
    template <typename Draw> void Within(Pt origin, double scale, const Draw& drawing) {
        cairo_save(cairo_);
        cairo_translate(cairo_, origin.x, origin.y);
        cairo_scale(cairo_, scale, scale);
        double outline = outline_;
        outline_ /= scale;
        drawing(*this);
        outline_ = outline;
        cairo_restore(cairo_);
    }

    // An open line of the given width, in the colour itself (hand-drawn or not).
    void Line(const Points& line, double width, Rgba colour, bool dashed = false) {
        Trace(Shaken(line, false), false);
        SetColour(colour);
        cairo_set_line_width(cairo_, width);
        if (dashed) {
            const double dashes[] = {3.0, 2.5};
            cairo_set_dash(cairo_, dashes, 2, 0);
        }
        cairo_stroke(cairo_);
        cairo_set_dash(cairo_, nullptr, 0, 0);
    }

    static Points Circle(Pt centre, double radius) { return Arc(centre, radius, 0, 2 * kPi, 36); }

    static Points Arc(Pt centre, double radius, double from, double to, int steps) {
        Points points;
        for (int i = 0; i <= steps; ++i) {
            double angle = from + (to - from) * i / steps;
            points.push_back(
                {centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
        }
        return points;
    }

private:
    double Noise() {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) / double(1u << 24) - 0.5;
    }

    // Long edges are split first so that they bend rather than just tilt.
    Points Shaken(const Points& points, bool closed) {
        if (!HandDrawn() || points.empty())
            return points;
        constexpr double kStep = 7.0, kAmplitude = 0.9;
        Points out;
        size_t count = closed ? points.size() : points.size() - 1;
        for (size_t i = 0; i < count; ++i) {
            Pt a = points[i], b = points[(i + 1) % points.size()];
            int pieces = std::max(1, int(std::hypot(b.x - a.x, b.y - a.y) / kStep));
            for (int k = 0; k < pieces; ++k) {
                double t = double(k) / pieces;
                out.push_back({a.x + (b.x - a.x) * t + Noise() * kAmplitude,
                               a.y + (b.y - a.y) * t + Noise() * kAmplitude});
            }
        }
        if (!closed)
            out.push_back(points.back());
        return out;
    }

    void Trace(const Points& points, bool closed) {
        cairo_new_path(cairo_);
        for (const Pt& p : points)
            cairo_line_to(cairo_, p.x, p.y);
        if (closed)
            cairo_close_path(cairo_);
    }

    void SetColour(Rgba c) {
        cairo_set_source_rgba(cairo_, c.red / 255.0, c.green / 255.0, c.blue / 255.0,
                              c.alpha / 255.0);
    }

    cairo_t* cairo_;
    PictureStyle style_;
    uint32_t state_;
    double outline_;
};

// Shapes several pictures share.

Points Rect(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

void Page(Painter& p, double x0, double y0, double x1, double y1) {
    constexpr double kFold = 6;
    p.Shape({{x0, y0}, {x1 - kFold, y0}, {x1, y0 + kFold}, {x1, y1}, {x0, y1}}, colour::kPaper);
    p.Shape({{x1 - kFold, y0}, {x1 - kFold, y0 + kFold}, {x1, y0 + kFold}},
            Shade(colour::kPaper, 0.8));
}

void TextLines(Painter& p, double x0, double x1, std::initializer_list<double> rows) {
    for (double y : rows)
        p.Line({{x0, y}, {x1, y}}, 1.6, colour::kGrey);
}

void Folder(Painter& p, double x0, double y0, double x1, double y1) {
    p.Shape(
        {{x0, y0 + 3}, {x0, y0}, {x0 + 9, y0}, {x0 + 12, y0 + 3}, {x1, y0 + 3}, {x1, y1}, {x0, y1}},
        Shade(colour::kFolder, 0.85));
    p.Shape(Rect(x0, y0 + 7, x1, y1), colour::kFolder);
}

// An arrow with a shaft of half-width shaft and a head of half-width head and given length.
void BlockArrow(Painter& p, Pt from, Pt to, double shaft, double head, double headLength,
                Rgba fill) {
    double length = std::hypot(to.x - from.x, to.y - from.y);
    double dx = (to.x - from.x) / length, dy = (to.y - from.y) / length;
    auto at = [&](double along, double across) {
        return Pt{from.x + dx * along - dy * across, from.y + dy * along + dx * across};
    };
    double neck = length - headLength;
    p.Shape({at(0, -shaft), at(neck, -shaft), at(neck, -head), at(length, 0), at(neck, head),
             at(neck, shaft), at(0, shaft)},
            fill);
}

Points Star(Pt centre, double outer, double inner) {
    Points points;
    for (int i = 0; i < 10; ++i) {
        double angle = -kPi / 2 + i * kPi / 5;
        double r = i % 2 ? inner : outer;
        points.push_back({centre.x + r * std::cos(angle), centre.y + r * std::sin(angle)});
    }
    return points;
}

Points Heart(Pt centre, double scale) {
    Points points;
    for (int i = 0; i < 40; ++i) {
        double t = 2 * kPi * i / 40;
        double x = 16 * std::pow(std::sin(t), 3);
        double y = 13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t);
        points.push_back({centre.x + x * scale, centre.y - y * scale});
    }
    return points;
}

// A tray open at the top, for import and export.
void Tray(Painter& p) {
    p.Shape({{3, 18}, {9, 18}, {9, 24}, {23, 24}, {23, 18}, {29, 18}, {29, 29}, {3, 29}},
            colour::kGrey);
}

// A disc with a white sign on it: an exclamation or information mark.
void SignDisc(Painter& p, Rgba fill, Pt dot, Pt stemTop, Pt stemBottom) {
    p.Disc({16, 16}, 14, fill);
    p.Line({stemTop, stemBottom}, 4, p.Mark());
    p.Line({dot, dot}, 4.4, p.Mark());
}

void RefreshArc(Painter& p, double from, double to, Rgba colour) {
    constexpr Pt kCentre{16, 16};
    constexpr double kRadius = 10;
    p.Line(Painter::Arc(kCentre, kRadius, from, to, 16), 4, colour);
    Pt end{kCentre.x + kRadius * std::cos(to), kCentre.y + kRadius * std::sin(to)};
    Pt along{-std::sin(to), std::cos(to)}, out{std::cos(to), std::sin(to)};
    p.Shape({{end.x + along.x * 5, end.y + along.y * 5},
             {end.x + out.x * 4.5, end.y + out.y * 4.5},
             {end.x - out.x * 4.5, end.y - out.y * 4.5}},
            colour);
}

Points Gear(Pt centre, double outer, double inner, int teeth) {
    Points points;
    double tooth = 2 * kPi / teeth;
    for (int i = 0; i < teeth; ++i) {
        double base = i * tooth;
        for (auto [offset, radius] :
             {std::pair{0.0, inner}, {0.12, outer}, {0.38, outer}, {0.5, inner}}) {
            double angle = base + offset * tooth;
            points.push_back(
                {centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
        }
    }
    return points;
}

using Drawing = std::function<void(Painter&)>;

// One drawing per name.
const std::map<std::string, Drawing, std::less<>>& Drawings() {
    using namespace colour;
    static const std::map<std::string, Drawing, std::less<>> drawings = {
        {"Convert",
         [](Painter& p) {
             p.Disc({16, 16}, 14, kGo);
             p.Shape({{12, 8.5}, {24, 16}, {12, 23.5}}, kWhite);
         }},
        {"InFiles",
         [](Painter& p) {
             Page(p, 10, 3, 28, 29);
             TextLines(p, 14, 24, {10, 14, 22, 26});
             BlockArrow(p, {2, 18}, {17, 18}, 2.5, 6, 6, kGo);
         }},
        {"InFolder",
         [](Painter& p) {
             Folder(p, 2, 9, 28, 28);
             BlockArrow(p, {23, 1}, {23, 17}, 2.5, 6, 6, kGo);
         }},
        {"New",
         [](Painter& p) {
             Page(p, 5, 3, 23, 29);
             p.Shape(Star({23, 9}, 7.5, 3.2), kSun);
         }},
        {"Add",
         [](Painter& p) {
             p.Shape({{12, 4},
                      {20, 4},
                      {20, 12},
                      {28, 12},
                      {28, 20},
                      {20, 20},
                      {20, 28},
                      {12, 28},
                      {12, 20},
                      {4, 20},
                      {4, 12},
                      {12, 12}},
                     kGo);
         }},
        {"OutFolder",
         [](Painter& p) {
             Folder(p, 2, 9, 28, 28);
             BlockArrow(p, {16, 20}, {29, 4}, 2.5, 6, 6, kBlue);
         }},
        {"OutFormat",
         [](Painter& p) {
             p.Shape(Rect(3, 6, 29, 26), kSky);
             p.Disc({22, 12}, 3, kSun);
             p.Shape({{3, 26}, {3, 21}, {10, 14}, {17, 21}, {21, 18}, {29, 24}, {29, 26}}, kGrass);
         }},
        {"FavFolder",
         [](Painter& p) {
             Folder(p, 2, 9, 26, 28);
             p.Shape(Heart({23, 11}, 0.5), kRed);
         }},
        {"ImportFiles",
         [](Painter& p) {
             Tray(p);
             BlockArrow(p, {16, 2}, {16, 22}, 3, 7, 7, kGo);
         }},
        {"ExportFiles",
         [](Painter& p) {
             Tray(p);
             BlockArrow(p, {16, 22}, {16, 2}, 3, 7, 7, kBlue);
         }},
        {"Exit",
         [](Painter& p) {
             p.Shape(Rect(4, 3, 18, 29), kWood);
             p.Disc({14.5, 16}, 1.6, kSun);
             BlockArrow(p, {15, 16}, {30, 16}, 2.5, 6.5, 6.5, kRed);
         }},
        {"Copy",
         [](Painter& p) {
             Page(p, 4, 3, 20, 23);
             Page(p, 12, 9, 28, 29);
             TextLines(p, 15, 24, {17, 21, 25});
         }},
        {"Delete",
         [](Painter& p) {
             p.Line({{7, 7}, {25, 25}}, 5.5, kRed);
             p.Line({{25, 7}, {7, 25}}, 5.5, kRed);
         }},
        {"SelectAll",
         [](Painter& p) {
             p.Shape(Rect(9, 9, 23, 23), kSky);
             p.Line({{4, 4}, {28, 4}, {28, 28}, {4, 28}, {4, 4}}, 2, kBlue, true);
         }},
        {"Error",
         [](Painter& p) {
             SignDisc(p, kRed, {16, 23.5}, {16, 7.5}, {16, 17});
         }},
        {"Preferences",
         [](Painter& p) {
             p.Shape(Gear({16, 16}, 14, 10, 8), kGrey);
             p.Disc({16, 16}, 4.5, kWhite);
         }},
        {"CustomConverter",
         [](Painter& p) {
             BlockArrow(p, {3, 10}, {29, 10}, 3, 7, 8, kOrange);
             BlockArrow(p, {29, 22}, {3, 22}, 3, 7, 8, kBlue);
         }},
        {"Help",
         [](Painter& p) {
             p.Disc({16, 16}, 14, kBlue);
             Points mark = Painter::Arc({16, 12}, 5, kPi * 1.1, kPi * 2.3, 12);
             mark.push_back({16, 19});
             p.Line(mark, 3.6, p.Mark());
             p.Line({{16, 24.5}, {16, 24.5}}, 4.2, p.Mark());
         }},
        {"Email",
         [](Painter& p) {
             p.Shape(Rect(3, 8, 29, 25), kPaper);
             p.Line({{3, 8}, {16, 18}, {29, 8}}, 2, kBlue);
         }},
        {"Web",
         [](Painter& p) {
             p.Disc({16, 16}, 14, kSky);
             Points meridian;
             for (int i = 0; i <= 24; ++i) {
                 double t = 2 * kPi * i / 24;
                 meridian.push_back({16 + 6 * std::cos(t), 16 + 14 * std::sin(t)});
             }
             p.Line(meridian, 1.8, kBlue);
             p.Line({{16, 2}, {16, 30}}, 1.8, kBlue);
             p.Line({{2, 16}, {30, 16}}, 1.8, kBlue);
             p.Line({{5, 9}, {27, 9}}, 1.6, kBlue);
             p.Line({{5, 23}, {27, 23}}, 1.6, kBlue);
         }},
        {"Updates",
         [](Painter& p) {
             RefreshArc(p, kPi * 1.05, kPi * 1.85, kGo);
             RefreshArc(p, kPi * 0.05, kPi * 0.85, kGo);
         }},
        {"About",
         [](Painter& p) {
             SignDisc(p, kBlue, {16, 8.5}, {16, 14}, {16, 24});
         }},
    };
    return drawings;
}

uint32_t Seed(std::string_view name, int size) {
    uint32_t hash = 2166136261u;
    for (char c : name)
        hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    return (hash ^ static_cast<uint32_t>(size)) * 16777619u;
}

// A converted photograph: the output picture with the Convert sign over its lower right.
void ProgramIcon(Painter& p) {
    Drawings().at("OutFormat")(p);
    p.Within({13, 13}, 19 / kGrid, Drawings().at("Convert"));
}

// Draws on a surface of size by size pixels (or points, for SVG); false when cairo failed.
bool Paint(cairo_surface_t* surface, int size, PictureStyle style, uint32_t seed,
           const Drawing& drawing) {
    cairo_t* cairo = cairo_create(surface);
    cairo_scale(cairo, size / kGrid, size / kGrid);
    Painter painter(cairo, style, size, seed);
    drawing(painter);
    bool drawn = cairo_status(cairo) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cairo);
    return drawn;
}

ThemePicture Rasterised(int size, PictureStyle style, uint32_t seed, const Drawing& drawing) {
    if (size < 1 || size > kMaxPictureSize)
        return {};
    auto raster = Raster::Create(size, size);
    if (!raster || !Paint(raster->Surface(), size, style, seed, drawing))
        return {};
    RgbaPixels pixels = raster->ToPixels();
    return {pixels.width, pixels.height, std::move(pixels.rgba)};
}

cairo_status_t AppendToString(void* out, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

constexpr std::string_view kProgramIconName = "Program";

} // namespace

const std::vector<std::string>& DrawnPictureNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const auto& [name, drawing] : Drawings())
            out.push_back(name);
        return out;
    }();
    return names;
}

ThemePicture DrawPicture(std::string_view name, int size, PictureStyle style) {
    auto drawing = Drawings().find(name);
    if (drawing == Drawings().end())
        return {};
    return Rasterised(size, style, Seed(name, size), drawing->second);
}

ThemePicture DrawProgramIcon(int size, PictureStyle style) {
    return Rasterised(size, style, Seed(kProgramIconName, size), ProgramIcon);
}

std::optional<std::string> ProgramIconSvg(PictureStyle style) {
    // Drawn as for 256 pixels, the largest raster size the desktop asks for.
    constexpr int kSize = 256;
    std::string svg;
    cairo_surface_t* surface =
        cairo_svg_surface_create_for_stream(AppendToString, &svg, kSize, kSize);
    bool drawn = Paint(surface, kSize, style, Seed(kProgramIconName, kSize), ProgramIcon);
    cairo_surface_finish(surface);
    drawn = drawn && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    if (!drawn)
        return std::nullopt;
    return svg;
}

} // namespace velmora
