// The image steps through the real binary: tone mapping in the 48-bit load modes, and
// rotation, resize, flips and adjustments together, read back from the written TIFF files.
#include "e2e/e2e_support.h"
#include "imageops/picture.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <FreeImage.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace velmora::testing {
namespace {

// Every 16-bit sample of a 48-bit picture, row by row.
std::vector<WORD> Samples(FIBITMAP* picture) {
    std::vector<WORD> samples;
    for (unsigned row = 0; row < FreeImage_GetHeight(picture); ++row) {
        auto* line = reinterpret_cast<const WORD*>(FreeImage_GetScanLine(picture, row));
        samples.insert(samples.end(), line, line + 3 * FreeImage_GetWidth(picture));
    }
    return samples;
}

double Luma709(const Rgb& c) {
    return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
}

class ImageSteps : public ::testing::Test {
protected:
    void SetUp() override { MakeSampleDng(folder / "sample.dng", {"--width=96", "--height=64"}); }

    // Our own DNG always; a real camera file when the samples are there.
    std::vector<std::string> Inputs() const {
        std::vector<std::string> inputs = {folder / "sample.dng"};
        if (!SamplesFolder().empty())
            inputs.push_back(SamplePath("dngconv_canon_eos6d_lossy.dng"));
        return inputs;
    }

    Picture Convert(const std::string& input, const std::string& name,
                    const std::vector<std::string>& options) {
        std::vector<std::string> arguments = {
            "-q", "-i", input, "-o", folder.Path(), "--filename-mask=" + name + ".%ext%"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        RunOptions run;
        run.workFolder = folder.Path();
        RunResult result = RunProgram(arguments, run);
        EXPECT_EQ(result.exitStatus, 0) << ::testing::PrintToString(arguments) << result.out;
        // The written EXIF holds tags FreeImage's libtiff does not know; its complaints are noise.
        TIFFSetWarningHandler(nullptr);
        TIFFSetErrorHandler(nullptr);
        return LoadWrittenTiff(folder / (name + ".tiff"));
    }

    TempFolder folder;
};

TEST_F(ImageSteps, EachToneMappingReachesTheFile) {
    for (const std::string& input : Inputs()) {
        SCOPED_TRACE(input);
        Picture none = Convert(input, "none", {"--raw-load-as=48", "--raw-tone-mapping=none"});
        ASSERT_EQ(FreeImage_GetImageType(none.get()), FIT_RGB16);
        std::vector<WORD> deep = Samples(none.get());
        std::set<std::vector<WORD>> looks = {deep};
        // Every mapping passes through 24 bits; the depth of the file still follows the
        // 48-bit decode, and FreeImage widens each byte back as its high byte.
        EXPECT_TRUE(std::any_of(deep.begin(), deep.end(), [](WORD s) { return s % 256 != 0; }));
        for (const char* word : {"linear", "al", "drr", "gd"}) {
            Picture mapped = Convert(
                input, word, {"--raw-load-as=48", std::string("--raw-tone-mapping=") + word});
            ASSERT_EQ(FreeImage_GetImageType(mapped.get()), FIT_RGB16) << word;
            ASSERT_EQ(PictureWidth(mapped), PictureWidth(none)) << word;
            std::vector<WORD> samples = Samples(mapped.get());
            EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](WORD s) {
                return s % 256 == 0;
            })) << word;
            if (std::string(word) == "linear") {
                for (size_t i = 0; i < samples.size(); ++i)
                    ASSERT_EQ(samples[i], deep[i] & 0xFF00) << i;
            }
            looks.insert(samples);
        }
        EXPECT_EQ(looks.size(), 5u);
    }
}

TEST_F(ImageSteps, RotationResizeFlipsAndAdjustmentsTogether) {
    for (const std::string& input : Inputs()) {
        SCOPED_TRACE(input);
        Picture plain = Convert(input, "plain", {"--raw-load-as=24"});
        const int w = PictureWidth(plain), h = PictureHeight(plain);
        ASSERT_GT(w, 0);

        // Exact steps: a quarter turn counter-clockwise, a mirror, the negative.
        Picture turned =
            Convert(input, "turned",
                    {"--raw-load-as=24", "--rotation=90", "--flip-horizontal", "--invert"});
        ASSERT_EQ(PictureWidth(turned), h);
        ASSERT_EQ(PictureHeight(turned), w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                Rgb c = PixelAt(plain.get(), x, y);
                ASSERT_EQ(PixelAt(turned.get(), h - 1 - y, w - 1 - x),
                          (Rgb{255 - c.r, 255 - c.g, 255 - c.b}))
                    << x << "," << y;
            }

        // Turned, halved, mirrored top to bottom, a grey negative.
        Picture together = Convert(input, "together",
                                   {"--raw-load-as=24", "--rotation=90", "--width=50",
                                    "--width-unit=percent", "--height=50", "--height-unit=percent",
                                    "--flip-vertical", "--invert", "--greyscale"});
        const int tw = PictureWidth(together), th = PictureHeight(together);
        ASSERT_EQ(tw, int(std::nearbyint(h * 0.5)));
        ASSERT_EQ(th, int(std::nearbyint(w * 0.5)));
        double mean = 0, plainMean = 0;
        for (int j = 0; j < th; ++j)
            for (int i = 0; i < tw; ++i) {
                Rgb c = PixelAt(together.get(), i, j);
                ASSERT_TRUE(c.r == c.g && c.g == c.b) << i << "," << j;
                mean += c.g / double(tw * th);
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                plainMean += Luma709(PixelAt(plain.get(), x, y)) / (w * h);
        EXPECT_NEAR(mean, 255 - plainMean, 2.0);
    }
}

} // namespace
} // namespace velmora::testing
