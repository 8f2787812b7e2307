// What FreeImage (on LibRaw) makes of the writer's files in each RAW load mode.
//
// Observed with FreeImage 3.18 / LibRaw 0.20:
//  - RAW_DEFAULT: full size, 48-bit RGB16; RAW_DISPLAY: full size, 24-bit;
//    RAW_HALFSIZE: half size, 48-bit; RAW_PREVIEW: the embedded JPEG, or a 24-bit full decode
//    when there is none. Orientations 5 to 8 swap width and height in every mode, the
//    preview included.
//  - EXIF metadata (XResolution among it) comes from the preview's JPEG in every mode; a file
//    without a preview loads with no EXIF at all.
//  - A file cut in half: the preview still loads (it precedes the mosaic); every decode of the
//    mosaic fails with "failed to unpack data".
#include "dng/dng_writer.h"
#include "support/test_support.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace velmora::dng {
namespace {

using velmora::testing::TempFolder;

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

Bitmap Load(const std::string& path, int flags) {
    return Bitmap(FreeImage_Load(FIF_RAW, path.c_str(), flags));
}

std::string Write(const TempFolder& folder, const DngOptions& options) {
    const std::string path = folder / "sample.dng";
    std::string error;
    EXPECT_TRUE(WriteDng(path, options, &error)) << error;
    return path;
}

constexpr int kModes[] = {RAW_DEFAULT, RAW_PREVIEW, RAW_DISPLAY, RAW_HALFSIZE};

struct Shape {
    unsigned width, height, bpp;
    FREE_IMAGE_TYPE type;
};

Shape Expected(const DngOptions& options, int flags) {
    auto w = static_cast<unsigned>(options.width), h = static_cast<unsigned>(options.height);
    Shape shape{w, h, 48, FIT_RGB16};
    if (flags == RAW_HALFSIZE)
        shape = {w / 2, h / 2, 48, FIT_RGB16};
    else if (flags == RAW_DISPLAY || (flags == RAW_PREVIEW && !options.embedPreview))
        shape = {w, h, 24, FIT_BITMAP};
    else if (flags == RAW_PREVIEW) {
        const Size preview = PreviewSize(options);
        shape = {static_cast<unsigned>(preview.width), static_cast<unsigned>(preview.height), 24,
                 FIT_BITMAP};
    }
    if (options.orientation >= 5)
        std::swap(shape.width, shape.height);
    return shape;
}

void ExpectShape(FIBITMAP* bitmap, const Shape& shape, const std::string& what) {
    ASSERT_NE(bitmap, nullptr) << what;
    EXPECT_EQ(FreeImage_GetWidth(bitmap), shape.width) << what;
    EXPECT_EQ(FreeImage_GetHeight(bitmap), shape.height) << what;
    EXPECT_EQ(FreeImage_GetBPP(bitmap), shape.bpp) << what;
    EXPECT_EQ(FreeImage_GetImageType(bitmap), shape.type) << what;
}

// Mean red, green and blue (0..1) over the middle half of a patch, scaled to the picture.
std::array<double, 3> MeanColour(FIBITMAP* bitmap, const ScenePatch& p, const DngOptions& raw) {
    const int width = static_cast<int>(FreeImage_GetWidth(bitmap));
    const int height = static_cast<int>(FreeImage_GetHeight(bitmap));
    const double sx = static_cast<double>(width) / raw.width;
    const double sy = static_cast<double>(height) / raw.height;
    const int x0 = static_cast<int>((p.left + p.width / 4.0) * sx);
    const int x1 = std::max(x0 + 1, static_cast<int>((p.left + p.width * 0.75) * sx));
    const int y0 = static_cast<int>((p.top + p.height / 4.0) * sy);
    const int y1 = std::max(y0 + 1, static_cast<int>((p.top + p.height * 0.75) * sy));
    const bool wide = FreeImage_GetImageType(bitmap) == FIT_RGB16;
    std::array<double, 3> sum{};
    for (int y = y0; y < y1; ++y) {
        const BYTE* line = FreeImage_GetScanLine(bitmap, height - 1 - y); // stored bottom-up
        for (int x = x0; x < x1; ++x) {
            if (wide) {
                const FIRGB16& pixel = reinterpret_cast<const FIRGB16*>(line)[x];
                sum[0] += pixel.red / 65535.0;
                sum[1] += pixel.green / 65535.0;
                sum[2] += pixel.blue / 65535.0;
            } else {
                const BYTE* pixel = line + 3 * x;
                sum[0] += pixel[FI_RGBA_RED] / 255.0;
                sum[1] += pixel[FI_RGBA_GREEN] / 255.0;
                sum[2] += pixel[FI_RGBA_BLUE] / 255.0;
            }
        }
    }
    for (double& channel : sum)
        channel /= static_cast<double>(x1 - x0) * (y1 - y0);
    return sum;
}

struct ModeCase {
    bool preview;
    int flags;
};

void PrintTo(const ModeCase& c, std::ostream* out) {
    *out << (c.preview ? "with" : "without") << " preview, flags " << c.flags;
}

class DecodeMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(DecodeMode, GivesTheExpectedShapeAndAPictureResemblingTheScene) {
    TempFolder folder;
    DngOptions options;
    options.embedPreview = GetParam().preview;
    const std::string path = Write(folder, options);
    EXPECT_EQ(FreeImage_GetFileType(path.c_str()), FIF_RAW);
    EXPECT_TRUE(FreeImage_Validate(FIF_RAW, path.c_str()));

    const Bitmap bitmap = Load(path, GetParam().flags);
    ExpectShape(bitmap.get(), Expected(options, GetParam().flags), "decode");
    ASSERT_NE(bitmap, nullptr);

    std::array<double, 3> white{}, grey{};
    for (const ScenePatch& patch : ScenePatches(options.width, options.height)) {
        const std::array<double, 3> nominal = {patch.red, patch.green, patch.blue};
        const double top = *std::max_element(nominal.begin(), nominal.end());
        const std::array<double, 3> seen = MeanColour(bitmap.get(), patch, options);
        for (int strong = 0; strong < 3; ++strong)
            for (int weak = 0; weak < 3; ++weak)
                if (nominal[strong] >= 0.5 * top && nominal[weak] <= 0.2 * top) {
                    EXPECT_GT(seen[strong], 1.5 * seen[weak])
                        << patch.name << ": channel " << strong << " over " << weak;
                }
        if (patch.name == "white")
            white = seen;
        if (patch.name == "grey")
            grey = seen;
    }
    for (int c = 0; c < 3; ++c) {
        EXPECT_GT(white[c], grey[c]) << "channel " << c;
        EXPECT_GT(white[c], 0.8 * *std::max_element(white.begin(), white.end())) << "white cast";
    }
}

std::string ModeName(const ::testing::TestParamInfo<ModeCase>& info) {
    const char* names[] = {"Default", "Preview", "Display", "Unused", "HalfSize"};
    return std::string(info.param.preview ? "WithPreview" : "NoPreview") + names[info.param.flags];
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, DecodeMode,
    ::testing::Values(ModeCase{true, RAW_DEFAULT}, ModeCase{true, RAW_PREVIEW},
                      ModeCase{true, RAW_DISPLAY}, ModeCase{true, RAW_HALFSIZE},
                      ModeCase{false, RAW_DEFAULT}, ModeCase{false, RAW_PREVIEW},
                      ModeCase{false, RAW_DISPLAY}, ModeCase{false, RAW_HALFSIZE}),
    ModeName);

// The resolution as FreeImage reports it, or -1 when the tag is missing.
double ExifResolution(FIBITMAP* bitmap, const char* key) {
    FITAG* tag = nullptr;
    if (!FreeImage_GetMetadata(FIMD_EXIF_MAIN, bitmap, key, &tag) ||
        FreeImage_GetTagType(tag) != FIDT_RATIONAL)
        return -1;
    const auto* value = static_cast<const DWORD*>(FreeImage_GetTagValue(tag));
    return value[1] ? static_cast<double>(value[0]) / value[1] : -1;
}

TEST(DecodeMetadata, ExifResolutionComesFromThePreviewInEveryMode) {
    const std::pair<double, double> resolutions[] = {{150, 300}, {72, 72}, {600.5, 1200}};
    TempFolder folder;
    for (bool preview : {true, false})
        for (const auto& [x, y] : resolutions) {
            DngOptions options;
            options.embedPreview = preview;
            options.xResolutionDpi = x;
            options.yResolutionDpi = y;
            const std::string path = Write(folder, options);
            for (int flags : kModes) {
                const Bitmap bitmap = Load(path, flags);
                ASSERT_NE(bitmap, nullptr);
                const std::string what =
                    "mode " + std::to_string(flags) + (preview ? " with" : " without") + " preview";
                EXPECT_DOUBLE_EQ(ExifResolution(bitmap.get(), "XResolution"), preview ? x : -1)
                    << what;
                EXPECT_DOUBLE_EQ(ExifResolution(bitmap.get(), "YResolution"), preview ? y : -1)
                    << what;
            }
        }
}

TEST(DecodeShape, FollowsTheOrientationInEveryMode) {
    TempFolder folder;
    for (bool preview : {true, false})
        for (int orientation : {1, 3, 6, 8}) {
            DngOptions options;
            options.embedPreview = preview;
            options.orientation = orientation;
            const std::string path = Write(folder, options);
            for (int flags : kModes)
                ExpectShape(Load(path, flags).get(), Expected(options, flags),
                            "orientation " + std::to_string(orientation) + " mode " +
                                std::to_string(flags) + (preview ? " with preview" : ""));
        }
}

TEST(DecodeShape, SmallNarrowAndLargeSizesDecode) {
    struct Case {
        int width, height, previewWidth;
        std::vector<int> modes;
    };
    const std::vector<int> all(std::begin(kModes), std::end(kModes));
    // The 24-megapixel file skips the slow full decodes.
    const Case cases[] = {
        {kMinSide, kMinSide, 0, all}, {64, 48, 0, all},
        {34, 1000, 0, all},           {1000, 34, 0, all},
        {640, 428, 201, all},         {6000, 4000, 0, {RAW_PREVIEW, RAW_HALFSIZE}}};
    TempFolder folder;
    for (const Case& c : cases) {
        DngOptions options;
        options.width = c.width;
        options.height = c.height;
        options.previewWidth = c.previewWidth;
        const std::string path = Write(folder, options);
        for (int flags : c.modes)
            ExpectShape(Load(path, flags).get(), Expected(options, flags),
                        std::to_string(c.width) + "x" + std::to_string(c.height) + " mode " +
                            std::to_string(flags));
    }
}

std::string& LastFreeImageMessage() {
    static std::string message;
    return message;
}

TEST(DecodeTruncated, HalfAFileNeverCrashesAndKeepsItsPreview) {
    FreeImage_SetOutputMessage(
        [](FREE_IMAGE_FORMAT, const char* message) { LastFreeImageMessage() = message; });
    TempFolder folder;
    for (bool preview : {true, false}) {
        DngOptions options;
        options.embedPreview = preview;
        const std::string whole = BuildDng(options);
        const std::string path = folder / "half.dng";
        velmora::testing::WriteFile(path, std::string_view(whole).substr(0, whole.size() / 2));
        for (int flags : kModes) {
            LastFreeImageMessage().clear();
            const Bitmap bitmap = Load(path, flags);
            const std::string key =
                std::string(preview ? "preview" : "no_preview") + "_mode" + std::to_string(flags);
            if (!bitmap) {
                ::testing::Test::RecordProperty(key, "fails: " + LastFreeImageMessage());
                continue;
            }
            const unsigned width = FreeImage_GetWidth(bitmap.get());
            const unsigned height = FreeImage_GetHeight(bitmap.get());
            ::testing::Test::RecordProperty(key,
                                            std::to_string(width) + "x" + std::to_string(height));
            EXPECT_LE(width, static_cast<unsigned>(options.width)) << key;
            EXPECT_LE(height, static_cast<unsigned>(options.height)) << key;
        }
        if (preview)
            ExpectShape(Load(path, RAW_PREVIEW).get(), Expected(options, RAW_PREVIEW),
                        "the preview lies in the first half");
    }
    FreeImage_SetOutputMessage(nullptr);
}

} // namespace
} // namespace velmora::dng
