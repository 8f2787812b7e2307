// Our LibRaw loader against FreeImage's RAW loader, the path it replaced: every camera sample
// and our own DNGs (with and without a preview, in all eight orientations), in every RAW load
// mode, give the same picture, ICC profile and metadata, and the program writes that picture.
#include "dng/dng_writer.h"
#include "e2e/e2e_support.h"
#include "engine/camera_raw.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora::testing {
namespace {

// Every tag of every metadata model: model, key, type, count and value bytes.
std::string MetadataOf(FIBITMAP* picture) {
    std::string all;
    for (int model = FIMD_COMMENTS; model <= FIMD_EXIF_RAW; ++model) {
        FITAG* tag = nullptr;
        FIMETADATA* found =
            FreeImage_FindFirstMetadata(static_cast<FREE_IMAGE_MDMODEL>(model), picture, &tag);
        for (bool more = found != nullptr; more; more = FreeImage_FindNextMetadata(found, &tag)) {
            all += std::to_string(model) + " " + FreeImage_GetTagKey(tag) + " " +
                   std::to_string(FreeImage_GetTagType(tag)) + " " +
                   std::to_string(FreeImage_GetTagCount(tag)) + " ";
            all.append(static_cast<const char*>(FreeImage_GetTagValue(tag)),
                       FreeImage_GetTagLength(tag));
            all += '\n';
        }
        if (found)
            FreeImage_FindCloseMetadata(found);
    }
    return all;
}

std::string ProfileOf(FIBITMAP* picture) {
    FIICCPROFILE* icc = FreeImage_GetICCProfile(picture);
    return icc && icc->data ? std::string(static_cast<const char*>(icc->data), icc->size) : "";
}

TEST(CameraRaw, LoadsWhatFreeImagesRawLoaderLoadsInEveryMode) {
    TempFolder folder;
    std::vector<std::string> sources;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        dng::DngOptions options;
        options.width = 322, options.height = 242, options.orientation = orientation;
        options.embedPreview = orientation % 2 == 1;
        sources.push_back(folder / ("ours" + std::to_string(orientation) + ".dng"));
        ASSERT_TRUE(dng::WriteDng(sources.back(), options));
    }
    if (!SamplesFolder().empty())
        for (const auto& entry : std::filesystem::directory_iterator(SamplesFolder()))
            if (entry.is_regular_file() && entry.path().extension() != ".md")
                sources.push_back(entry.path().string());
    const std::pair<const char*, int> modes[] = {
        {"auto", RAW_PREVIEW}, {"24", RAW_DISPLAY}, {"48hs", RAW_HALFSIZE}, {"48", RAW_DEFAULT}};
    for (const std::string& source : sources) {
        for (const auto& [mode, flags] : modes) {
            std::string shown = std::filesystem::path(source).filename().string() + " " + mode;
            Picture reference(FreeImage_Load(FIF_RAW, source.c_str(), flags));
            Picture ours = LoadCameraRaw(source, flags).picture;
            ASSERT_TRUE(reference) << shown;
            ASSERT_TRUE(ours) << shown;
            EXPECT_EQ(FreeImage_GetImageType(ours.get()), FreeImage_GetImageType(reference.get()));
            EXPECT_EQ(PictureBpp(ours), PictureBpp(reference)) << shown;
            EXPECT_EQ(PictureWidth(ours), PictureWidth(reference)) << shown;
            EXPECT_EQ(PictureHeight(ours), PictureHeight(reference)) << shown;
            EXPECT_TRUE(PixelBytes(ours.get()) == PixelBytes(reference.get())) << shown;
            EXPECT_EQ(FreeImage_GetDotsPerMeterX(ours.get()),
                      FreeImage_GetDotsPerMeterX(reference.get()));
            EXPECT_EQ(FreeImage_GetDotsPerMeterY(ours.get()),
                      FreeImage_GetDotsPerMeterY(reference.get()));
            EXPECT_TRUE(ProfileOf(ours.get()) == ProfileOf(reference.get())) << shown;
            EXPECT_TRUE(MetadataOf(ours.get()) == MetadataOf(reference.get())) << shown;

            RunOptions options;
            options.workFolder = folder.Path();
            RunResult result =
                RunProgram({"-q", "-i", source, "-o", folder.Path(), "--filename-mask=out.%ext%",
                            std::string("--raw-load-as=") + mode, "--raw-tone-mapping=none"},
                           options);
            ASSERT_EQ(result.exitStatus, 0) << shown;
            Picture written = LoadWrittenTiff(folder / "out.tiff");
            ASSERT_TRUE(written) << shown;
            EXPECT_TRUE(PixelBytes(written.get()) == PixelBytes(reference.get())) << shown;
        }
    }
}

} // namespace
} // namespace velmora::testing
