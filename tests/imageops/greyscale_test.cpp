#include "imageops/greyscale.h"

#include "support/pictures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora {
namespace {

using testing::PixelAt;
using testing::Rgb;

// Grey level of a colour by the Rec. 709 weights FreeImage documents.
double Luma709(const Rgb& c) {
    return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
}

TEST(ApplyGreyscale, MakesEightBitGreyFromEveryDepth) {
    const Rgb colours[] = {{255, 0, 0},     {0, 255, 0}, {0, 0, 255},
                           {255, 255, 255}, {0, 0, 0},   {200, 120, 40}};
    const int n = int(std::size(colours));
    for (FREE_IMAGE_TYPE type : {FIT_BITMAP, FIT_RGB16}) {
        Picture picture(FreeImage_AllocateT(type, n, 1, 24));
        for (int x = 0; x < n; ++x) {
            const Rgb& c = colours[x];
            if (type == FIT_RGB16) // the low byte is lost in 24 bits
                reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(picture.get(), 0))[x] = {
                    WORD(c.r << 8 | 0x7F), WORD(c.g << 8 | 0x7F), WORD(c.b << 8 | 0x7F)};
            else {
                RGBQUAD quad{BYTE(c.b), BYTE(c.g), BYTE(c.r), 0};
                FreeImage_SetPixelColor(picture.get(), x, 0, &quad);
            }
        }
        picture = ApplyGreyscale(std::move(picture), {true});
        ASSERT_EQ(PictureBpp(picture), 8) << type;
        ASSERT_EQ(FreeImage_GetColorType(picture.get()), FIC_MINISBLACK) << type;
        for (int x = 0; x < n; ++x) {
            int grey = PixelAt(picture.get(), x, 0).g;
            EXPECT_NEAR(grey, Luma709(colours[x]), 1.0) << type << " " << colours[x];
        }
    }
    Picture source(FreeImage_Allocate(2, 2, 24));
    FIBITMAP* before = source.get();
    EXPECT_EQ(ApplyGreyscale(std::move(source), {false}).get(), before);
    EXPECT_FALSE(ApplyGreyscale(nullptr, {true}));
}

} // namespace
} // namespace velmora
