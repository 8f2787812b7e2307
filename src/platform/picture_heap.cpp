#include "platform/picture_heap.h"

#include <malloc.h>

#include <cstdint>

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

bool gConfigured = false;

} // namespace

void ConfigurePictureHeap() {
#ifndef VELMORA_SANITIZED_ALLOCATOR
    // One arena, so the conversion thread and LibRaw's worker threads allocate from the main
    // heap as well; large blocks from that heap instead of a mapping of their own; and no
    // automatic trimming: memory goes back where the program decides.
    gConfigured = mallopt(M_ARENA_MAX, 1) == 1 && mallopt(M_MMAP_MAX, 0) == 1 &&
                  mallopt(M_TRIM_THRESHOLD, -1) == 1;
#endif
}

void ReturnFreedHeapMemory() {
    // glibc trims the free end only by what exceeds the pad, and no free end is this large:
    // the free end stays for the next buffers.
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

// glibc fills a new block with the perturb byte's complement (and a freed one with the byte);
// the sanitizers' allocators ignore the call.
ZeroFilledAllocations::ZeroFilledAllocations() {
    mallopt(M_PERTURB, 0xFF);
}

ZeroFilledAllocations::~ZeroFilledAllocations() {
    mallopt(M_PERTURB, 0);
}

} // namespace velmora
