#pragma once

#include <cstddef>

// Lets the process keep the memory of large freed blocks for reuse instead of handing it
// back to the system at once. Every frame preparation decodes the whole map folder again
// and draws into a new frame image, tens of megabytes each time; with the C library's
// defaults these blocks come fresh from the system and each page costs a fault on first
// touch, about a third of a preparation on the build machine. Called once by whoever
// creates a renderer; calling it again changes nothing.
void KeepImageMemoryForReuse();

// Memory for a large image, in huge pages where the system offers them. A frame image of a
// TripleA map is 28 MB; in pages of 4 KB, first touching a fresh one costs about 7,000 page
// faults (about 100 ms on the build machine), as when the viewer's start-up fills its cache
// of frames. Blocks given back are kept for reuse up to a limit; zero tells whether the
// memory is fresh from the system, and so all zero. Null when the system refuses;
// FreeLargeImageMemory gives a block back (its signature is that of a QImage cleanup
// function). Safe to call from any thread.
struct LargeImageMemory {
    unsigned char* data;
    std::size_t bytes;
    bool zero;
};
LargeImageMemory* AllocateLargeImageMemory(std::size_t bytes);
void FreeLargeImageMemory(void* memory);

// The same memory for a large block that is not an image (the texts a history stores),
// rounded up to whole huge pages. It is handed back to the system at once when freed
// rather than kept for images. Null when the system refuses.
LargeImageMemory* AllocateHugePageBlock(std::size_t bytes);
void FreeHugePageBlock(LargeImageMemory* block);
