// How the process heap serves decoded pictures. LibRaw and FreeImage take blocks of tens
// or hundreds of megabytes from malloc (a 24-megapixel picture is 144 MB at 48 bits), and
// glibc would give each one a fresh mapping of 4 KiB pages: one page fault per page, which
// costs more than demosaicing on a virtual machine. Instead those blocks come from the
// ordinary heap, whose free end is advised for transparent huge pages, and a freed picture's
// memory is reused by the next one instead of being unmapped and faulted in again.
// Under the sanitizers, which bring their own allocator, all of this does nothing.
#pragma once

namespace velmora {

// Once, at start-up, before any other thread exists.
void ConfigurePictureHeap();
// Before each picture is decoded: advises the heap's free end for huge pages.
void PreparePictureHeap();
// Gives back the memory of blocks freed in the middle of the heap (LibRaw's buffers once a
// picture is loaded), keeping the heap's advised free end.
void ReturnFreedHeapMemory();
// After a run: gives the heap's free memory back to the system.
void ReleasePictureHeap();
// Whether ConfigurePictureHeap took effect in this build and process.
bool PictureHeapConfigured();

} // namespace velmora
