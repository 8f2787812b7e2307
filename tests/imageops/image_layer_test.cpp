#include "imageops/drawn/image_layer.h"

#include "imageops/drawn/png_io.h"
#include "settings/settings.h"
#include "support/pictures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

Rgba RgbaAt(FIBITMAP* bitmap, int x, int y) {
    const BYTE* p = FreeImage_GetScanLine(bitmap, FreeImage_GetHeight(bitmap) - 1 - y) + x * 4;
    return {p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE], p[FI_RGBA_ALPHA]};
}

TEST(BuildImageLayer, ScalesThePicturesAlphaAndTurnsItGrey) {
    testing::TempFolder folder;
    // A PNG with alpha: red opaque, green half, blue clear.
    RgbaPixels pixels = MakeRgbaPixels(3, 1, true);
    pixels.Set(0, 0, {255, 0, 0, 255});
    pixels.Set(1, 0, {0, 255, 0, 128});
    pixels.Set(2, 0, {0, 0, 255, 0});
    auto png = EncodePng(pixels);
    testing::WriteFile(folder / "alpha.png", std::string(png->begin(), png->end()));
    // A JPEG has no alpha: an opaque rectangle before the opacity.
    Picture solid = testing::MakePicture(3, 1, [](int, int) { return testing::Rgb{255, 0, 0}; });
    testing::WriteFile(folder / "solid.jpg", testing::EncodeJpeg(solid.get()));

    struct Case {
        const char* file;
        int opacity;
        bool grey;
        Rgba expected[3];
    };
    const Case cases[] = {
        {"alpha.png", 255, false, {{255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 0}}},
        {"alpha.png", 128, false, {{255, 0, 0, 128}, {0, 255, 0, 64}, {0, 0, 255, 0}}},
        {"alpha.png", 255, true, {{76, 76, 76, 255}, {149, 149, 149, 128}, {28, 28, 28, 0}}},
        {"solid.jpg", 255, false, {{254, 0, 0, 255}, {254, 0, 0, 255}, {254, 0, 0, 255}}},
        {"solid.jpg", 51, true, {{76, 76, 76, 51}, {76, 76, 76, 51}, {76, 76, 76, 51}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.opacity));
        SettingsDefaults(true);
        gSettings.WatermarkImage = folder / c.file;
        gSettings.ImageOpacity = c.opacity;
        gSettings.ImageGreyscale = c.grey;
        Picture layer = BuildImageLayer(WatermarkRequestFrom(gSettings, "").picture);
        ASSERT_TRUE(layer);
        ASSERT_EQ(PictureBpp(layer), 32);
        for (int x = 0; x < 3; ++x) {
            Rgba p = RgbaAt(layer.get(), x, 0), e = c.expected[x];
            EXPECT_NEAR(p.red, e.red, 2) << x;
            EXPECT_NEAR(p.green, e.green, 2) << x;
            EXPECT_NEAR(p.blue, e.blue, 2) << x;
            EXPECT_EQ(p.alpha, e.alpha) << x;
        }
    }
    testing::WriteFile(folder / "noise.png", testing::NoiseBytes(300, 5));
    gSettings.WatermarkImage = folder / "noise.png";
    EXPECT_FALSE(BuildImageLayer(WatermarkRequestFrom(gSettings, "").picture));
}

} // namespace
} // namespace velmora
