// How the process heap serves decoded pictures. LibRaw and FreeImage take blocks of tens
// or hundreds of megabytes from malloc (a 24-megapixel picture is 144 MB at 48 bits), and
// glibc would give each one a fresh mapping, faulted in page by page and unmapped when
// freed. Instead those blocks come from the ordinary heap, and a freed buffer's memory is
// reused by the next one (LibRaw's working buffers, the next step's picture) instead of
// being unmapped and faulted in again. (Transparent huge pages for the heap were tried: on
// this project's virtual machines each huge page fault costs more than the small faults it
// saves, and partly used huge pages add to the peak.)
// Under the sanitizers, which bring their own allocator, all of this does nothing.
#pragma once

namespace velmora {

// Once, at start-up, before any other thread exists.
void ConfigurePictureHeap();
// Gives back the memory of blocks freed in the middle of the heap (LibRaw's buffers once a
// picture is made).
void ReturnFreedHeapMemory();
// After a run: gives the heap's free memory back to the system.
void ReleasePictureHeap();
// Whether ConfigurePictureHeap took effect in this build and process.
bool PictureHeapConfigured();

// While one is alive, every block malloc hands out beyond glibc's per-thread cache (which
// keeps blocks of up to about 1 KiB) comes filled with zeros, as calloc's do.
// A decoder that reads a file into a malloc'ed buffer leaves what a short or corrupt file
// never reached as it found it, which in this heap is whatever an earlier picture left there.
// One at a time, on the thread that decodes.
class ZeroFilledAllocations {
public:
    ZeroFilledAllocations();
    ~ZeroFilledAllocations();
    ZeroFilledAllocations(const ZeroFilledAllocations&) = delete;
    ZeroFilledAllocations& operator=(const ZeroFilledAllocations&) = delete;
};

} // namespace velmora
