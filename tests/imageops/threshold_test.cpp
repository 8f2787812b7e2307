#include "imageops/threshold.h"

#include "support/pictures.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using testing::MakePicture;
using testing::PixelAt;
using testing::Rgb;

// One row of every grey level, 0 to 255.
Picture GreyRamp() {
    return MakePicture(256, 1, [](int x, int) { return Rgb{x, x, x}; });
}

TEST(ApplyThreshold, WhiteFromTheLevelsLowByteUp) {
    struct Case {
        int level, firstWhite;
    };
    const Case cases[] = {{128, 128}, {384, 128}, {256, 0}, {-1, 255}, {1, 1}, {255, 255}};
    for (const Case& c : cases) {
        Picture picture = ApplyThreshold(GreyRamp(), {true, c.level});
        ASSERT_EQ(PictureBpp(picture), 1) << c.level;
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(PixelAt(picture.get(), x, 0).g, x >= c.firstWhite ? 255 : 0)
                << c.level << " at " << x;
    }
}

TEST(ApplyThreshold, OneBitPicturesGoThrough24Bits) {
    const ThresholdRequest request{true, 128};
    // The second works on 1 bit.
    Picture picture = ApplyThreshold(ApplyThreshold(GreyRamp(), request), request);
    ASSERT_EQ(PictureBpp(picture), 1);
    for (int x = 0; x < 256; ++x)
        ASSERT_EQ(PixelAt(picture.get(), x, 0).g, x >= 128 ? 255 : 0) << x;

    Picture source = GreyRamp();
    FIBITMAP* before = source.get();
    EXPECT_EQ(ApplyThreshold(std::move(source), {false, 128}).get(), before);
    EXPECT_FALSE(ApplyThreshold(nullptr, request));
}

} // namespace
} // namespace velmora
