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

} // namespace velmora
