// The frame and both watermarks through the real binary, on a real camera file when the
// samples are there and on our own DNG otherwise, checked by the pixels of the TIFF.
#include "e2e/e2e_support.h"
#include "imageops/picture.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <FreeImage.h>

#include <cstdio>

namespace velmora::testing {
namespace {

class Watermarks : public ::testing::Test {
protected:
    void SetUp() override {
        input = ownSample = folder / "sample.dng";
        MakeSampleDng(input, {"--width=640", "--height=428", "--no-preview"});
        if (!SamplesFolder().empty())
            input = SamplePath("dngconv_canon_eos6d_lossy.dng");
    }
    // Runs ImageMagick's convert in the test's folder.
    void MagickWrites(const std::string& arguments) {
        RunOptions run;
        run.workFolder = folder.Path();
        run.program = "/bin/sh";
        ASSERT_EQ(RunProgram({"-c", "convert " + arguments}, run).exitStatus, 0) << arguments;
    }
    // Converts with the 24-bit decode and gives back the written picture.
    Picture Convert(std::vector<std::string> options) {
        std::vector<std::string> arguments = {"-q",
                                              "-i",
                                              input,
                                              "-o",
                                              folder.Path(),
                                              "--raw-load-as=24",
                                              "--filename-mask=out.%ext%"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        RunOptions run;
        run.workFolder = folder.Path();
        RunResult result = RunProgram(arguments, run);
        EXPECT_EQ(result.exitStatus, 0) << result.out;
        EXPECT_EQ(result.err, "");
        return LoadWrittenTiff(folder / "out.tiff");
    }
    std::string input, ownSample;
    TempFolder folder;
};

TEST_F(Watermarks, SolidFrameInFourColours) {
    Picture plain = Convert({});
    ASSERT_TRUE(plain);
    Picture framed = Convert({"--fr-solid-left=20", "--fr-solid-right=20", "--fr-solid-top=20",
                              "--fr-solid-bottom=20", "--fr-solid-left-color=FF0000",
                              "--fr-solid-right-color=00FF00", "--fr-solid-top-color=0000FF",
                              "--fr-solid-bottom-color=FFFF00"});
    ASSERT_TRUE(framed);
    int w = PictureWidth(framed), h = PictureHeight(framed);
    EXPECT_EQ(w, PictureWidth(plain));
    EXPECT_EQ(h, PictureHeight(plain));
    EXPECT_EQ(PictureBpp(framed), 24);
    EXPECT_EQ(PixelAt(framed.get(), 10, h / 2), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelAt(framed.get(), w - 10, h / 2), (Rgb{0, 255, 0}));
    EXPECT_EQ(PixelAt(framed.get(), w / 2, 10), (Rgb{0, 0, 255}));
    EXPECT_EQ(PixelAt(framed.get(), w / 2, h - 10), (Rgb{255, 255, 0}));
    // The corner box splits on its diagonal between the two bands that meet there.
    EXPECT_EQ(PixelAt(framed.get(), 15, 3), (Rgb{0, 0, 255}));
    EXPECT_EQ(PixelAt(framed.get(), 3, 15), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelAt(framed.get(), w / 2, h / 2), PixelAt(plain.get(), w / 2, h / 2));
}

TEST_F(Watermarks, TextInTheBottomRightCorner) {
    Picture plain = Convert({});
    Picture marked = Convert({"--wm-text=VELMORA", "--wm-font=DejaVu Sans", "--wm-font-size=24",
                              "--wm-font-color=FF00FF", "--wm-back-opacity=0",
                              "--wm-text-position=bottomright"});
    ASSERT_TRUE(plain && marked);
    int w = PictureWidth(marked), h = PictureHeight(marked);
    // The text's colour shows up only in the corner block, ending 10 pixels from the edges.
    int left = w, top = h, right = -1, bottom = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (Near(PixelAt(marked.get(), x, y), Rgb{255, 0, 255}, 40) &&
                !Near(PixelAt(plain.get(), x, y), Rgb{255, 0, 255}, 40)) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0) << "no text drawn";
    EXPECT_GT(left, w / 2);
    EXPECT_GT(top, h / 2);
    EXPECT_LE(right, w - 10);
    EXPECT_LE(bottom, h - 10);
    EXPECT_GE(right, w - 20);
    EXPECT_EQ(PixelAt(marked.get(), 5, 5), PixelAt(plain.get(), 5, 5));
}

// The text's placeholders show this file's values, an automatic depth included: the depth
// it is written at, the same as when the depth is named.
TEST_F(Watermarks, TextPlaceholdersShowTheFilesOwnDepthAndSize) {
    auto marked = [&](const std::string& text, const std::string& depth) {
        return Convert({"--wm-text=" + text, "--wm-font=DejaVu Sans", "--wm-font-size=24",
                        "--wm-back-opacity=0", "--tiff-bpp=" + depth});
    };
    Picture automatic = marked("%bpp% bits, %width% wide", "0");
    ASSERT_TRUE(automatic);
    std::string width = std::to_string(PictureWidth(automatic));
    Picture named = marked("24 bits, " + width + " wide", "24");
    Picture other = marked("0 bits, " + width + " wide", "24");
    ASSERT_TRUE(named && other);
    EXPECT_EQ(PixelBytes(automatic.get()), PixelBytes(named.get()));
    EXPECT_NE(PixelBytes(automatic.get()), PixelBytes(other.get()));
}

TEST_F(Watermarks, PictureAtTheTopLeftWithHalfOpacity) {
    Picture logo = MakePicture(40, 30, [](int, int) { return Rgb{0, 200, 0}; });
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, logo.get(), (folder / "logo.png").c_str(), 0));
    Picture plain = Convert({});
    Picture opaque =
        Convert({"--wm-image=" + (folder / "logo.png"), "--wm-image-position=topleft"});
    Picture half = Convert({"--wm-image=" + (folder / "logo.png"), "--wm-image-position=topleft",
                            "--wm-image-opacity=128"});
    ASSERT_TRUE(plain && opaque && half);
    EXPECT_EQ(PixelAt(opaque.get(), 10 + 20, 10 + 15), (Rgb{0, 200, 0}));
    EXPECT_EQ(PixelAt(opaque.get(), 10 + 45, 10 + 15), PixelAt(plain.get(), 55, 25));
    Rgb under = PixelAt(plain.get(), 30, 25), blended = PixelAt(half.get(), 30, 25);
    EXPECT_TRUE(Near(blended, Rgb{under.r / 2, (under.g + 200) / 2, under.b / 2}, 3))
        << blended.r << "," << blended.g << "," << blended.b;
}

// ImageMagick's pictures are 40 x 30: red on the left half, blue or clear on the right.
TEST_F(Watermarks, EveryCommonPictureFileIsDrawn) {
    const std::string halves = "-size 20x30 xc:red -size 20x30 xc:blue +append ";
    struct Case {
        const char* file;
        std::string magick; // ImageMagick's arguments before the file; empty: written by us
        int tolerance = 0;
        bool clearRight = false;
    };
    const Case cases[] = {
        {"written.tiff", ""}, // our own output, with an EXIF directory and an ICC profile
        {"rle8.bmp", "-size 20x30 xc:red -size 20x30 gradient:blue-navy +append -type palette "},
        {"os2.bmp", halves + "bmp2:"},
        {"rgb565.bmp", halves + "-define bmp:subtype=RGB565 ", 8},
        {"cmyk.jpg", halves + "-colorspace CMYK -quality 95 ", 40},
        {"alpha.png", halves + "-transparent blue png32:", 0, true},
        {"clear.gif", halves + "-transparent blue ", 0, true},
        {"lossy.webp", halves + "-quality 90 ", 40},
    };
    input = ownSample;
    Picture plain = Convert({});
    ASSERT_TRUE(plain);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        if (c.magick.empty())
            ASSERT_EQ(std::rename((folder / "out.tiff").c_str(), (folder / c.file).c_str()), 0);
        else
            ASSERT_NO_FATAL_FAILURE(MagickWrites(c.magick + c.file));
        Picture marked =
            Convert({"--wm-image=" + (folder / c.file), "--wm-image-position=topleft"});
        ASSERT_TRUE(marked);
        Rgb left = c.magick.empty() ? PixelAt(plain.get(), 5, 5) : Rgb{255, 0, 0};
        EXPECT_TRUE(Near(PixelAt(marked.get(), 15, 15), left, c.tolerance));
        EXPECT_TRUE(!c.clearRight || PixelAt(marked.get(), 45, 25) == PixelAt(plain.get(), 45, 25));
    }
}

TEST_F(Watermarks, AnUndecodablePictureEndsTheRunBeforeConverting) {
    WriteFile(folder / "noise.png", NoiseBytes(4000, 11));
    RunOptions run;
    run.workFolder = folder.Path();
    std::string mark = "--wm-image=" + (folder / "noise.png");
    RunResult result = RunProgram({"-q", "-i", input, "-o", folder.Path(), mark}, run);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out, "Error: Invalid watermark image\n");
    EXPECT_FALSE(FileExists(folder / "sample.tiff"));
}

} // namespace
} // namespace velmora::testing
