// The decoder frees LibRaw's raw data from LibRaw's pre_scalecolors callback. That leans on
// the order of dcraw_process's stages, not on LibRaw's interface; these tests fail when a
// LibRaw upgrade changes that order or starts reading the raw data after the callback.
#include "engine/libraw_early_release.h"

#include "dng/dng_writer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace velmora {
namespace {

// Records the stages LibRaw had finished when the raw data went, and those it reached after.
class RecordingDecoder : public LibRawReleasingRawData {
public:
    RecordingDecoder() { set_progress_handler(AtStage, this); }

    bool released = false;
    unsigned doneWhenReleased = 0;
    unsigned reachedAfterRelease = 0;

protected:
    void RawDataReleased() override {
        released = true;
        doneWhenReleased = imgdata.progress_flags;
    }

private:
    static int AtStage(void* context, LibRaw_progress stage, int, int) {
        auto& self = *static_cast<RecordingDecoder*>(context);
        if (self.released)
            self.reachedAfterRelease |= stage;
        return 0;
    }
};

// The 16-bit linear picture LibRaw makes of the file, raw data freed early or not.
template <typename Decoder> std::string Decode(const std::string& path, Decoder& raw) {
    raw.imgdata.params.output_bps = 16;
    raw.imgdata.params.gamm[0] = raw.imgdata.params.gamm[1] = 1.0;
    raw.imgdata.params.no_auto_bright = 1;
    if (raw.open_file(path.c_str()) != LIBRAW_SUCCESS || raw.unpack() != LIBRAW_SUCCESS ||
        raw.dcraw_process() != LIBRAW_SUCCESS)
        return {};
    int error = 0;
    libraw_processed_image_t* image = raw.dcraw_make_mem_image(&error);
    if (!image)
        return {};
    std::string bytes(reinterpret_cast<const char*>(image->data), image->data_size);
    LibRaw::dcraw_clear_mem(image);
    return bytes;
}

TEST(LibRawEarlyRelease, RawDataGoOnceInThePictureAndBeforeScalingAndDemosaicing) {
    testing::TempFolder folder;
    for (bool preview : {true, false}) {
        SCOPED_TRACE(preview ? "with a preview" : "without a preview");
        dng::DngOptions options;
        options.width = 96, options.height = 64, options.embedPreview = preview;
        std::string path = folder / "seam.dng";
        ASSERT_TRUE(dng::WriteDng(path, options));

        auto plain = std::make_unique<LibRaw>();
        std::string expected = Decode(path, *plain);
        ASSERT_FALSE(expected.empty());

        auto early = std::make_unique<RecordingDecoder>();
        EXPECT_EQ(Decode(path, *early), expected);
        ASSERT_TRUE(early->released);
        EXPECT_EQ(early->imgdata.rawdata.raw_alloc, nullptr);
        EXPECT_TRUE(early->doneWhenReleased & LIBRAW_PROGRESS_RAW2_IMAGE);
        EXPECT_FALSE(early->doneWhenReleased & LIBRAW_PROGRESS_SCALE_COLORS);
        EXPECT_FALSE(early->doneWhenReleased & LIBRAW_PROGRESS_INTERPOLATE);
        EXPECT_TRUE(early->reachedAfterRelease & LIBRAW_PROGRESS_SCALE_COLORS);
        EXPECT_TRUE(early->reachedAfterRelease & LIBRAW_PROGRESS_PRE_INTERPOLATE);
        // Demosaicing does not report itself to the progress handler; its flag shows it ran.
        EXPECT_TRUE(early->imgdata.progress_flags & LIBRAW_PROGRESS_INTERPOLATE);
        // A second release finds nothing left to free.
        EXPECT_FALSE(early->ReleaseRawData());
    }
}

} // namespace
} // namespace velmora
