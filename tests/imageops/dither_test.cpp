#include "imageops/dither.h"

#include "settings/keywords.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace velmora {
namespace {

using testing::MakePicture;
using testing::PixelAt;
using testing::Rgb;

// A diagonal grey ramp, black in its first 4 columns and white in its last 4.
Picture Ramp() {
    return MakePicture(64, 48, [](int x, int y) {
        int v = x < 4 ? 0 : x >= 60 ? 255 : (x * 3 + y) % 256;
        return Rgb{v, v, v};
    });
}

TEST(ApplyDither, EachKeywordReachesItsFreeImageDither) {
    const std::pair<const char*, FREE_IMAGE_DITHER> cases[] = {{"FS", FID_FS},
                                                               {"BAYER4", FID_BAYER4x4},
                                                               {"BAYER8", FID_BAYER8x8},
                                                               {"BAYER16", FID_BAYER16x16},
                                                               {"CLUSTER6", FID_CLUSTER6x6},
                                                               {"CLUSTER8", FID_CLUSTER8x8},
                                                               {"cluster16", FID_CLUSTER16x16}};
    std::set<std::string> distinct;
    for (const auto& [word, dither] : cases) {
        const DitherRequest request{true,
                                    ChoiceOf<DitherAlgorithm>(KeywordToValue(kDitherList, word))};
        EXPECT_EQ(DitherAlgorithmFor(request.algorithm), dither) << word;
        Picture source = Ramp();
        Picture expected(FreeImage_Dither(source.get(), dither));
        Picture result = ApplyDither(std::move(source), request);
        ASSERT_EQ(PictureBpp(result), 1) << word;
        ASSERT_TRUE(testing::PixelBytes(result.get()) == testing::PixelBytes(expected.get()))
            << word;
        distinct.insert(testing::PixelBytes(result.get()));
    }
    EXPECT_EQ(distinct.size(), std::size(cases));
    EXPECT_EQ(DitherAlgorithmFor(ChoiceOf<DitherAlgorithm>(7)), FID_FS);
    EXPECT_EQ(DitherAlgorithmFor(ChoiceOf<DitherAlgorithm>(-1)), FID_FS);
}

TEST(ApplyDither, OneBitPicturesGoThrough24Bits) {
    const DitherRequest request{true, DitherAlgorithm::Bayer8};
    // A 1-bit picture, such as the threshold leaves, is dithered through 24 bits.
    Picture picture = ApplyDither(ApplyDither(Ramp(), request), request);
    ASSERT_EQ(PictureBpp(picture), 1);
    // Black and white areas survive any dither.
    for (int y = 0; y < 48; ++y)
        for (int x : {0, 3, 60, 63})
            ASSERT_EQ(PixelAt(picture.get(), x, y).g, x < 4 ? 0 : 255) << x << "," << y;
    Picture source = Ramp();
    FIBITMAP* before = source.get();
    EXPECT_EQ(ApplyDither(std::move(source), {false, DitherAlgorithm::Bayer8}).get(), before);
    EXPECT_FALSE(ApplyDither(nullptr, request));
}

} // namespace
} // namespace velmora
