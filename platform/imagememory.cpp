#include "platform/imagememory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>  // defines __GLIBC__ with the GNU C library

#include <mutex>
#include <vector>

#include <sys/mman.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Blocks up to this size come from the heap; a frame of the largest TripleA maps fits.
constexpr int kMapThreshold = 32 << 20;
// Free memory at the top of the heap is given back only beyond this size, which holds
// what one preparation frees: the tiles of a map and one frame image.
constexpr int kTrimThreshold = 64 << 20;

// The size and alignment of a transparent huge page on x86-64 and most other systems.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t RoundUpToHugePages(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

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

namespace {

// Blocks given back are kept, up to this much together, for the next image of their size:
// a worker drawing frame after frame, or a cache replacing its oldest frame, then writes
// into memory it already has instead of having the system clear fresh pages every time.
constexpr std::size_t kKeptBytes = std::size_t{64} << 20;

struct KeptBlocks {
    std::mutex mutex;
    std::vector<LargeImageMemory*> blocks;
    std::size_t bytes = 0;
};

// Never destroyed: images given back while the process ends, after the destructors of
// statics have run, still find it.
KeptBlocks& Kept() {
    static KeptBlocks* kept = new KeptBlocks;
    return *kept;
}

LargeImageMemory* TakeKeptBlock(std::size_t length) {
    KeptBlocks& kept = Kept();
    std::lock_guard<std::mutex> lock(kept.mutex);
    const auto found = std::find_if(kept.blocks.begin(), kept.blocks.end(),
                                    [length](const LargeImageMemory* block) { return block->bytes == length; });
    if (found == kept.blocks.end()) return nullptr;
    LargeImageMemory* block = *found;
    kept.blocks.erase(found);
    kept.bytes -= block->bytes;
    return block;
}

bool KeepBlock(LargeImageMemory* block) {
    KeptBlocks& kept = Kept();
    std::lock_guard<std::mutex> lock(kept.mutex);
    if (kept.bytes + block->bytes > kKeptBytes) return false;
    kept.blocks.push_back(block);
    kept.bytes += block->bytes;
    return true;
}

LargeImageMemory* MapHugePages(std::size_t length) {
    // Mapped a huge page longer than needed, so that the block can start on a huge page.
    const std::size_t mapped = length + kHugePage;
    void* start = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED) return nullptr;
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    const std::uintptr_t aligned = (address + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > address) munmap(start, aligned - address);
    const std::size_t tail = address + mapped - (aligned + length);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
    auto* data = reinterpret_cast<unsigned char*>(aligned);
#if defined(MADV_HUGEPAGE)
    madvise(data, length, MADV_HUGEPAGE);  // a hint: without huge pages the block still works
#endif
    return new LargeImageMemory{data, length, true};
}

}  // namespace

LargeImageMemory* AllocateLargeImageMemory(std::size_t bytes) {
    if (bytes == 0 || bytes > SIZE_MAX - 2 * kHugePage) return nullptr;
    const std::size_t length = RoundUpToHugePages(bytes);
    if (LargeImageMemory* block = TakeKeptBlock(length)) {
        block->zero = false;
        return block;
    }
    return MapHugePages(length);
}

LargeImageMemory* AllocateHugePageBlock(std::size_t bytes) {
    if (bytes == 0 || bytes > SIZE_MAX - 2 * kHugePage) return nullptr;
    return MapHugePages(RoundUpToHugePages(bytes));
}

void FreeHugePageBlock(LargeImageMemory* block) {
    if (!block) return;
    munmap(block->data, block->bytes);
    delete block;
}

void FreeLargeImageMemory(void* memory) {
    auto* block = static_cast<LargeImageMemory*>(memory);
    if (!block || KeepBlock(block)) return;
    FreeHugePageBlock(block);
}
