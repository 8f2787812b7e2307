#include "imageops/resize.h"

#include "settings/keywords.h"
#include "settings/settings.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

namespace velmora {
namespace {

using testing::Near;
using testing::PixelAt;
using testing::Rgb;

const Rgb kQuadrants[2][2] = {{{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 255, 255}}};

// Red, green over blue, white: each corner of any resize keeps its quadrant's colour.
Picture Quadrants(int width, int height) {
    return testing::MakePicture(
        width, height, [=](int x, int y) { return kQuadrants[y >= height / 2][x >= width / 2]; });
}

TEST(ApplyResize, ScalesAsTheSettingsAsk) {
    struct Case {
        int width, height, targetWidth, widthUnit, targetHeight, heightUnit, aspect, type;
        int expectedWidth, expectedHeight; // 0: untouched
    };
    const int px = ValueOf(SizeUnit::Pixels), pc = ValueOf(SizeUnit::Percent),
              large = ValueOf(ResizeType::LargeImages);
    const Case cases[] = {
        {3000, 2000, 50, pc, 50, pc, 0, 0, 1500, 1000},
        {3000, 2000, 800, px, 800, px, 1, 0, 800, 533},
        {2000, 3000, 800, px, 800, px, 1, 0, 533, 800},
        {1000, 999, 100, px, 100, px, 1, 0, 100, 100},
        {800, 600, 1024, px, 768, px, 0, large, 0, 0},
        {1200, 600, 1024, px, 768, px, 0, large, 1024, 768},
        {1200, 600, 1024, px, 768, px, 1, large, 1024, 512},
        {1024, 600, 1024, px, 768, px, 0, large, 1024, 768},
        {800, 600, 1024, px, 768, px, 0, 0, 1024, 768},
        {640, 480, 640, px, 480, px, 0, 0, 0, 0},
        {640, 480, 50, 2, 50, pc, 0, 0, 0, 0},
        {640, 480, -320, px, 240, px, 0, 0, 0, 0},
        {200, 100, 5, px, 1, px, 1, 0, 5, 3}, // 2.5 rounds away from zero
        {6, 5, 9, px, 1, px, 1, 0, 9, 7},     // 9 / 1.2f is 7.4999997
        {5, 6, 1, px, 9, px, 1, 0, 7, 9},
        {640, 480, 25, pc, 100, px, 0, 0, 160, 100},
        {1001, 1003, 50, pc, 50, pc, 0, 0, 500, 502}, // percent sizes round ties to even
    };
    for (const Case& c : cases) {
        const ResizeRequest request{true,
                                    c.targetWidth,
                                    c.targetHeight,
                                    ChoiceOf<SizeUnit>(c.widthUnit),
                                    ChoiceOf<SizeUnit>(c.heightUnit),
                                    c.aspect != 0,
                                    ChoiceOf<ResizeType>(c.type)};
        Picture source = Quadrants(c.width, c.height);
        FIBITMAP* before = source.get();
        Picture result = ApplyResize(std::move(source), request, c.width, c.height);
        std::string shown = "case " + std::to_string(&c - cases);
        if (c.expectedWidth == 0) {
            EXPECT_EQ(result.get(), before) << shown;
            continue;
        }
        ASSERT_EQ(PictureWidth(result), c.expectedWidth) << shown;
        ASSERT_EQ(PictureHeight(result), c.expectedHeight) << shown;
        int right = c.expectedWidth - 1, bottom = c.expectedHeight - 1;
        for (int corner = 0; corner < 4; ++corner) {
            int x = corner % 2 ? right : 0, y = corner / 2 ? bottom : 0;
            EXPECT_TRUE(Near(PixelAt(result.get(), x, y), kQuadrants[corner / 2][corner % 2], 24))
                << shown << " corner " << corner;
        }
    }
}

TEST(ApplyResize, SizesThatCannotBeMetGiveNoPicture) {
    struct Case {
        int targetWidth, widthUnit, aspect;
    };
    const Case cases[] = {{100000, ValueOf(SizeUnit::Pixels), 0},
                          {INT32_MAX, ValueOf(SizeUnit::Percent), 0},
                          {1000, ValueOf(SizeUnit::Pixels), 1}}; // the height follows as 0
    for (const Case& c : cases) {
        const ResizeRequest request{
            true,         c.targetWidth, 100000, ChoiceOf<SizeUnit>(c.widthUnit), SizeUnit::Pixels,
            c.aspect != 0};
        EXPECT_FALSE(ApplyResize(Quadrants(60000, 20), request, 60000, 20)) << c.targetWidth;
    }
    EXPECT_FALSE(ApplyResize(nullptr, ResizeRequest{true, 10, 10}, 0, 0));
}

TEST(ApplyResize, EachAlgorithmReachesItsFilter) {
    const std::pair<const char*, FREE_IMAGE_FILTER> cases[] = {{"BOX", FILTER_BOX},
                                                               {"BILINEAR", FILTER_BILINEAR},
                                                               {"BSPLINE", FILTER_BSPLINE},
                                                               {"BICUBIC", FILTER_BICUBIC},
                                                               {"CATMULLROM", FILTER_CATMULLROM},
                                                               {"LANCZOS", FILTER_LANCZOS3}};
    std::set<std::string> distinct;
    for (const auto& [word, filter] : cases) {
        ResizeRequest request{true, 13, 11};
        request.keepAspectRatio = false;
        request.algorithm = ChoiceOf<ResizeAlgorithm>(KeywordToValue(kResizeAlgorithmList, word));
        Picture source = testing::MakePicture(40, 30, [](int x, int y) {
            return Rgb{x * 97 % 256, y * 53 % 256, (x ^ y) * 8 % 256};
        });
        Picture expected(FreeImage_Rescale(source.get(), 13, 11, filter));
        Picture result = ApplyResize(std::move(source), request, 40, 30);
        ASSERT_TRUE(testing::PixelBytes(result.get()) == testing::PixelBytes(expected.get()))
            << word;
        distinct.insert(testing::PixelBytes(result.get()));
    }
    EXPECT_EQ(distinct.size(), std::size(cases));
    EXPECT_EQ(ResizeFilterFor(ChoiceOf<ResizeAlgorithm>(6)), FILTER_BICUBIC);
    EXPECT_EQ(ResizeFilterFor(ChoiceOf<ResizeAlgorithm>(-1)), FILTER_BICUBIC);
}

} // namespace
} // namespace velmora
