#include "imageops/rotation.h"

#include "support/pictures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora {
namespace {

using testing::MakePicture;
using testing::Near;
using testing::PixelAt;
using testing::Rgb;

// No turn or flip maps this pattern onto itself.
Rgb NoiseAt(int x, int y) {
    return {(x * 37 + y * 11) & 255, (x * 5 + y * 71) & 255, (x * x + y * 3) & 255};
}

RotationRequest Rotation(int type, int angle, const char* back = "000000") {
    return {true, ChoiceOf<RotationType>(type), angle, back};
}

TEST(ApplyRotation, OnlyOneTo359DegreesTurnAndNinetyTurnsCounterClockwise) {
    const std::pair<int, int> cases[] = {{0, 30}, {360, 30}, {-90, 30}, {400, 30}, {270, 20}};
    for (auto [angle, width] : cases) {
        RotationRequest rotation = Rotation(ValueOf(RotationType::Simple), angle);
        EXPECT_EQ(PictureWidth(ApplyRotation(MakePicture(30, 20, NoiseAt), rotation)), width)
            << angle;
    }
    RotationRequest rotation = Rotation(ValueOf(RotationType::Simple), 90);
    Picture source = MakePicture(30, 20, NoiseAt);
    Picture turned = ApplyRotation(MakePicture(30, 20, NoiseAt), rotation);
    ASSERT_EQ(PictureWidth(turned), 20);
    ASSERT_EQ(PictureHeight(turned), 30);
    // The top-left corner goes to the bottom left, the top-right one to the top left.
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(PixelAt(turned.get(), y, 29 - x), PixelAt(source.get(), x, y))
                << x << "," << y;
    rotation = Rotation(2, 90);
    EXPECT_EQ(PictureWidth(ApplyRotation(MakePicture(30, 20, NoiseAt), rotation)), 30);
    EXPECT_FALSE(ApplyRotation(nullptr, rotation));
}

TEST(ApplyRotation, SimpleFortyFiveGrowsTheCanvasInTheBackColour) {
    const std::pair<const char*, Rgb> cases[] = {
        {"FF0000", {255, 0, 0}}, {"00ff80", {0, 255, 128}}, {"FFF", {0, 0, 0}}};
    for (const auto& [back, corner] : cases) {
        RotationRequest rotation = Rotation(ValueOf(RotationType::Simple), 45, back);
        Picture turned = ApplyRotation(MakePicture(40, 30,
                                                   [](int, int) {
                                                       return Rgb{90, 90, 250};
                                                   }),
                                       rotation);
        int w = PictureWidth(turned), h = PictureHeight(turned);
        EXPECT_NEAR(w, 70 / std::sqrt(2.0), 1.5); // the bounding box of the turned picture
        EXPECT_NEAR(h, 70 / std::sqrt(2.0), 1.5);
        for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
            EXPECT_EQ(PixelAt(turned.get(), x, y), corner) << back;
        EXPECT_TRUE(Near(PixelAt(turned.get(), w / 2, h / 2), {90, 90, 250}, 2)) << back;
    }
}

TEST(ApplyRotation, AdvancedKeepsTheSizeAndTurnsAboutTheRealCentre) {
    RotationRequest rotation = Rotation(ValueOf(RotationType::Advanced), 180, "FF0000");
    Picture source = MakePicture(9, 7, NoiseAt);
    Picture turned = ApplyRotation(MakePicture(9, 7, NoiseAt), rotation);
    ASSERT_EQ(PictureWidth(turned), 9);
    ASSERT_EQ(PictureHeight(turned), 7);
    // About (4.5, 3.5), counted as FreeImage_RotateEx counts rows, from the top: pixel
    // (x, y) lands on (9 - x, 7 - y). An integer centre would land it one pixel off.
    for (int y = 1; y < 7; ++y)
        for (int x = 1; x < 9; ++x)
            EXPECT_TRUE(Near(PixelAt(turned.get(), 9 - x, 7 - y), PixelAt(source.get(), x, y), 1))
                << x << "," << y;
}

TEST(ApplyRotation, TurnsDeepPicturesAs24Bits) {
    RotationRequest rotation = Rotation(ValueOf(RotationType::Simple), 90);
    Picture deep(FreeImage_AllocateT(FIT_RGB16, 4, 2));
    reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(deep.get(), 1))[0] = {0xAB12, 0x3456, 0xCD00};
    deep = ApplyRotation(std::move(deep), rotation);
    ASSERT_EQ(PictureBpp(deep), 24);
    EXPECT_EQ(PixelAt(deep.get(), 0, 3), (Rgb{0xAB, 0x34, 0xCD}));
}

TEST(ApplyFlips, MirrorInPlaceAndBothEqualAHalfTurn) {
    for (int horizontal : {0, 1})
        for (int vertical : {0, 1}) {
            const FlipRequest flips{horizontal == 1, vertical == 1};
            Picture source = MakePicture(7, 5, NoiseAt), flipped = MakePicture(7, 5, NoiseAt);
            FIBITMAP* before = flipped.get();
            flipped = ApplyFlips(std::move(flipped), flips);
            ASSERT_EQ(flipped.get(), before);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 7; ++x)
                    ASSERT_EQ(PixelAt(flipped.get(), horizontal ? 6 - x : x, vertical ? 4 - y : y),
                              PixelAt(source.get(), x, y));
        }
    RotationRequest rotation = Rotation(ValueOf(RotationType::Simple), 180);
    Picture turned = ApplyRotation(MakePicture(7, 5, NoiseAt), rotation);
    Picture flipped = ApplyFlips(MakePicture(7, 5, NoiseAt), {true, true});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(PixelAt(flipped.get(), x, y), PixelAt(turned.get(), x, y));
    EXPECT_FALSE(ApplyFlips(nullptr, {true, true}));
}

} // namespace
} // namespace velmora
