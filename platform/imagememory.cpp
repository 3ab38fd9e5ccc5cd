#include "platform/imagememory.h"

#include <cstdlib>  // defines __GLIBC__ with the GNU C library
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Blocks up to this size come from the heap; a frame of the largest TripleA maps fits.
constexpr int kMapThreshold = 32 << 20;
// Free memory at the top of the heap is given back only beyond this size, which holds
// what one preparation frees: the tiles of a map and one frame image.
constexpr int kTrimThreshold = 64 << 20;

}  // namespace

void KeepImageMemoryForReuse() {
#if defined(__GLIBC__)
    static const bool tuned = [] {
        mallopt(M_MMAP_THRESHOLD, kMapThreshold);
        mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
        // Threads share the one heap that these settings govern. A thread of its own arena
        // keeps its blocks in heaps of at most 64 MB that are unmapped whenever they fall
        // empty, so a worker drawing frame after frame got fresh pages for every frame image.
        mallopt(M_ARENA_MAX, 1);
        return true;
    }();
    (void)tuned;
#endif
}
