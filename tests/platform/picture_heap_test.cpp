#include "platform/picture_heap.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace velmora {
namespace {

// The VmFlags line of the mapping in /proc/self/smaps that holds address.
std::string MappingFlags(const void* address) {
    std::ifstream smaps("/proc/self/smaps");
    auto target = reinterpret_cast<uintptr_t>(address);
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        uintptr_t start = 0, end = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> start >> dash >> end && dash == '-' &&
            line.find(' ') != std::string::npos && line.find(':') > line.find(' '))
            inside = start <= target && target < end;
        else if (inside && line.rfind("VmFlags:", 0) == 0)
            return line;
    }
    return {};
}

TEST(PictureHeapTest, LargeBlocksComeFromTheAdvisedHeapAndGoBackAfterARun) {
    ConfigurePictureHeap();
    if (!PictureHeapConfigured())
        GTEST_SKIP() << "the sanitizers bring their own allocator";
    PreparePictureHeap();
    void* preparedEnd = sbrk(0);

    constexpr size_t kPictureBytes = size_t(96) << 20;
    auto* picture = static_cast<unsigned char*>(std::malloc(kPictureBytes));
    ASSERT_NE(picture, nullptr);
    picture[0] = picture[kPictureBytes - 1] = 1;
    // Inside the heap rather than a mapping of its own, and advised for huge pages.
    EXPECT_LE(static_cast<void*>(picture + kPictureBytes), sbrk(0));
    EXPECT_NE(MappingFlags(picture + kPictureBytes / 2).find(" hg"), std::string::npos)
        << MappingFlags(picture + kPictureBytes / 2);

    std::free(picture);
    ReleasePictureHeap();
    EXPECT_LT(sbrk(0), preparedEnd);
}

} // namespace
} // namespace velmora
