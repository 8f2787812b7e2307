#include "platform/picture_heap.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace velmora {
namespace {

TEST(PictureHeapTest, LargeBlocksComeFromTheHeapAndGoBackAfterARun) {
    ConfigurePictureHeap();
    if (!PictureHeapConfigured())
        GTEST_SKIP() << "the sanitizers bring their own allocator";

    constexpr size_t kPictureBytes = size_t(96) << 20;
    auto* picture = static_cast<unsigned char*>(std::malloc(kPictureBytes));
    ASSERT_NE(picture, nullptr);
    picture[0] = picture[kPictureBytes - 1] = 1;
    // Inside the heap rather than a mapping of its own.
    auto pictureEnd = reinterpret_cast<uintptr_t>(picture + kPictureBytes);
    EXPECT_LE(pictureEnd, reinterpret_cast<uintptr_t>(sbrk(0)));

    std::free(picture);
    ReleasePictureHeap();
    EXPECT_LT(reinterpret_cast<uintptr_t>(sbrk(0)), pictureEnd);
}

} // namespace
} // namespace velmora
