#include "platform/picture_heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_SANITIZED_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) ||                         \
    __has_feature(thread_sanitizer)
#define VELMORA_SANITIZED_ALLOCATOR 1
#endif
#endif

namespace velmora {
namespace {

constexpr uintptr_t kHugePageBytes = uintptr_t(2) << 20;
constexpr size_t kSmallestAdvisedBytes = size_t(64) << 20;
constexpr size_t kLargestAdvisedBytes = size_t(4) << 30;

bool gConfigured = false;

// Address space only: nothing is resident until a picture touches it.
size_t AdvisedBytes() {
    long pages = sysconf(_SC_PHYS_PAGES), pageBytes = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageBytes <= 0)
        return kSmallestAdvisedBytes;
    size_t half = static_cast<size_t>(pages) / 2 * static_cast<size_t>(pageBytes);
    return std::clamp(half, kSmallestAdvisedBytes, kLargestAdvisedBytes);
}

void AdviseHugePages(void* block, size_t bytes) {
    uintptr_t start =
        (reinterpret_cast<uintptr_t>(block) + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kHugePageBytes - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

} // namespace

void ConfigurePictureHeap() {
#ifndef VELMORA_SANITIZED_ALLOCATOR
    // One arena, so the conversion thread and LibRaw's worker threads allocate from the main
    // heap as well; large blocks from that heap instead of a mapping of their own; and no
    // automatic trimming, so the advised free end stays in place between pictures.
    gConfigured = mallopt(M_ARENA_MAX, 1) == 1 && mallopt(M_MMAP_MAX, 0) == 1 &&
                  mallopt(M_TRIM_THRESHOLD, -1) == 1;
#endif
}

void PreparePictureHeap() {
    if (!gConfigured)
        return;
    // Taking one large block and freeing it again extends the heap's free end to that size;
    // the next allocations are carved from it in order.
    for (size_t bytes = AdvisedBytes(); bytes >= kSmallestAdvisedBytes; bytes /= 2) {
        void* block = std::malloc(bytes);
        if (!block)
            continue;
        AdviseHugePages(block, bytes);
        std::free(block);
        return;
    }
}

void ReturnFreedHeapMemory() {
    // glibc trims the free end only by what exceeds the pad, and no free end is this large.
    if (gConfigured)
        malloc_trim(SIZE_MAX / 2);
}

void ReleasePictureHeap() {
    if (gConfigured)
        malloc_trim(0);
}

bool PictureHeapConfigured() {
    return gConfigured;
}

} // namespace velmora
