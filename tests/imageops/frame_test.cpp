#include "imageops/drawn/frame.h"

#include "settings/settings.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <climits>

namespace velmora {
namespace {

using testing::PixelAt;
using testing::Rgb;

const Rgb kGrey{128, 128, 128};
const Rgb kTop{255, 0, 0}, kRight{0, 255, 0}, kBottom{0, 0, 255}, kLeft{255, 255, 0};

void SetFrame(int left, int right, int top, int bottom, int opacity = 255) {
    SettingsDefaults(true);
    Settings& s = gSettings;
    s.DoFrame = 1;
    s.SolidLeft = left, s.SolidRight = right, s.SolidTop = top, s.SolidBottom = bottom;
    s.SolidTopColor = "FF0000", s.SolidRightColor = "00FF00";
    s.SolidBottomColor = "0000FF", s.SolidLeftColor = "FFFF00";
    s.SolidOpacity = opacity;
}

Picture Grey(int width, int height, int bpp = 24) {
    Picture picture = testing::MakePicture(width, height, [](int, int) { return kGrey; });
    return bpp == 32 ? Picture(FreeImage_ConvertTo32Bits(picture.get())) : std::move(picture);
}

struct Probe {
    int x, y;
    Rgb colour;
};

TEST(ApplyFrame, PaintsBandsThatMeetOnMitredCorners) {
    struct Case {
        int left, right, top, bottom, opacity;
        std::vector<Probe> probes; // on a 40 × 30 grey picture
    };
    // Bands, the inside, then each corner box split on its diagonal.
    const std::vector<Probe> mitred = {
        {20, 4, kTop},   {34, 15, kRight}, {20, 27, kBottom}, {3, 15, kLeft},  {4, 5, kGrey},
        {33, 26, kGrey}, {3, 0, kTop},     {0, 4, kLeft},     {39, 4, kRight}, {34, 29, kBottom}};
    const Case cases[] = {
        {4, 6, 5, 3, 255, mitred},
        // One band alone spans its whole side.
        {0, 0, 5, 0, 255, {{0, 0, kTop}, {39, 4, kTop}, {0, 5, kGrey}, {39, 29, kGrey}}},
        // colour × opacity / 255 + grey × (1 − opacity / 255)
        {3, 3, 3, 3, 128, {{20, 1, {192, 64, 64}}, {20, 20, kGrey}}},
        {3, 3, 3, 3, 51, {{20, 1, {153, 102, 102}}, {20, 20, kGrey}}},
    };
    for (const Case& c : cases) {
        SetFrame(c.left, c.right, c.top, c.bottom, c.opacity);
        Picture framed = ApplyFrame(Grey(40, 30), FrameRequestFrom(gSettings), 40, 30);
        ASSERT_TRUE(framed);
        EXPECT_EQ(PictureWidth(framed), 40);
        EXPECT_EQ(PictureHeight(framed), 30);
        EXPECT_EQ(PictureBpp(framed), 24);
        for (const Probe& p : c.probes)
            EXPECT_TRUE(testing::Near(PixelAt(framed.get(), p.x, p.y), p.colour, 1))
                << p.x << "," << p.y << " opacity " << c.opacity;
    }
}

TEST(ApplyFrame, ComesOutTwentyFourBitsWithOrWithoutBands) {
    struct Case {
        int doFrame, left, width, bpp;
    };
    const Case cases[] = {
        {0, 5, 20, 32},       // no frame: untouched
        {1, 0, 20, 24},       // bands of width 0
        {1, INT_MAX, 20, 24}, // a band beyond what can be drawn: no frame
        {1, 5, 40000, 24},    // wider than any raster: no frame
    };
    for (const Case& c : cases) {
        SetFrame(c.left, 0, 0, 0);
        gSettings.DoFrame = static_cast<int8_t>(c.doFrame);
        Picture framed = ApplyFrame(Grey(c.width, 4, 32), FrameRequestFrom(gSettings), c.width, 4);
        ASSERT_TRUE(framed) << c.doFrame << "/" << c.left;
        EXPECT_EQ(PictureBpp(framed), c.bpp);
        EXPECT_EQ(PixelAt(framed.get(), 0, 0), kGrey) << c.doFrame << "/" << c.left;
    }
}

} // namespace
} // namespace velmora
