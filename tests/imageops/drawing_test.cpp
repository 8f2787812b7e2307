#include "imageops/drawn/drawing.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

constexpr Rgba kClear{0, 0, 0, 0}, kRed{255, 0, 0, 255};

Raster MakeRaster(int width, int height, Rgba fill = kClear) {
    auto raster = Raster::Create(width, height);
    if (!raster || !FillRaster(*raster, fill, Blend::kReplace))
        throw std::runtime_error("cannot create a raster");
    return std::move(*raster);
}

TEST(FillPath, FillsWhatThePathDescribesAndNothingForOtherData) {
    struct Case {
        const char* path;
        std::vector<std::pair<int, int>> inside, outside; // none inside: refused
    };
    const Case cases[] = {
        {"M 2 2 l 10 0 l 0 6 l -10 0 Z", {{2, 2}, {11, 7}}, {{1, 2}, {12, 4}, {6, 8}}},
        {"M 0 0 l 20 0 l -20 20 Z M15 15 l9 0 l0 9Z",
         {{17, 1}, {1, 17}, {19, 16}},
         {{12, 12}, {16, 19}}},
        {"l 5 5", {}, {}},
        {"M 0 0 L 5 0 l 0 5 Z", {}, {}},
        {"M 0 0 l 10 --5 Z", {}, {}},
        {"M 0 0 l 4000000 0 l 4000000 0 Z", {}, {}},
    };
    for (const Case& c : cases) {
        Raster raster = MakeRaster(20, 20);
        EXPECT_EQ(FillPath(raster, c.path, kRed), !c.inside.empty()) << c.path;
        for (auto [x, y] : c.inside)
            EXPECT_EQ(raster.PixelAt(x, y), kRed) << c.path << " " << x << "," << y;
        for (auto [x, y] : c.outside)
            EXPECT_EQ(raster.PixelAt(x, y), kClear) << c.path << " " << x << "," << y;
        EXPECT_TRUE(!c.inside.empty() || raster.PixelAt(0, 0) == kClear) << c.path;
    }
}

TEST(DrawText, UnderlineSitsBelowStrikeOut) {
    // Between the letters only the effect's line has ink.
    auto plain = Font::Open("DejaVu Sans", 30, false, false, false, false);
    int from = MeasureText(*plain, "x", TextMode::kRaster).width + 2;
    int to = MeasureText(*plain, "x   ", TextMode::kRaster).width - 2;
    int tops[3] = {-1, -1, -1};
    for (int effect : {0, 1, 2}) {
        Raster raster = MakeRaster(120, 50);
        auto font = Font::Open("DejaVu Sans", 30, false, false, effect == 1, effect == 2);
        ASSERT_TRUE(DrawText(raster, *font, TextMode::kRaster, 0, 0, "x   x", kRed, Blend::kOver));
        for (int y = 49; y >= 0; --y)
            for (int x = from; x < to; ++x)
                if (raster.PixelAt(x, y).alpha)
                    tops[effect] = y;
    }
    EXPECT_EQ(tops[0], -1);
    EXPECT_GT(tops[1], tops[2] + 5);
    EXPECT_GT(tops[2], 5);
}

} // namespace
} // namespace velmora
