#include "game/texttable.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

#include "base/refcounted.h"

namespace {

// Chunks grow to the size of a huge page: a text of many distinct lines stores tens of
// megabytes, and in pages of 4 KB the first touch of each page cost a third of its reading.
constexpr std::size_t kLargestChunk = std::size_t{2} << 20;
constexpr std::size_t kFirstSlotCount = 32;

}  // namespace

TextTable::TextTable() : lookup(kFirstSlotCount, Slot{0, kFreeSlot}) { Intern(std::string_view()); }

std::size_t TextTable::BlockOf(Id id) {
    const Id above = id >> kFirstBlockBits;
    return above == 0 ? 0 : static_cast<std::size_t>(32 - __builtin_clz(above));
}

TextTable::Id TextTable::BlockStart(std::size_t block) {
    return block == 0 ? 0 : kFirstBlockSize << (block - 1);
}

TextTable::Id TextTable::BlockSize(std::size_t block) {
    return block == 0 ? kFirstBlockSize : BlockStart(block);
}

std::string_view& TextTable::Place(Id id) const {
    const std::size_t block = BlockOf(id);
    return blocks[block][id - BlockStart(block)];
}

std::uint32_t TextTable::HashOf(std::string_view text) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>()(text));
}

std::size_t TextTable::SlotOf(std::string_view text, std::uint32_t hash) const {
    const std::size_t mask = lookup.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = lookup[i];
        if (slot.id == kFreeSlot || (slot.hash == hash && Place(slot.id) == text)) return i;
    }
}

void TextTable::GrowSlots() {
    std::vector<Slot> grown(lookup.size() * 2, Slot{0, kFreeSlot});
    const std::size_t mask = grown.size() - 1;
    for (const Slot& slot : lookup) {
        if (slot.id == kFreeSlot) continue;
        std::size_t i = slot.hash & mask;
        while (grown[i].id != kFreeSlot) i = (i + 1) & mask;
        grown[i] = slot;
    }
    lookup.swap(grown);
}

std::string_view TextTable::Store(std::string_view text) {
    if (text.empty()) return std::string_view();
    if (text.size() > chunkLeft) {
        std::size_t size = std::max(nextChunkSize, text.size());
        chunkFree = NewChunk(size);
        chunkLeft = size;
        nextChunkSize = std::min(nextChunkSize * 2, kLargestChunk);
    }
    std::memcpy(chunkFree, text.data(), text.size());
    const std::string_view stored(chunkFree, text.size());
    chunkFree += text.size();
    chunkLeft -= text.size();
    return stored;
}

char* TextTable::NewChunk(std::size_t& size) {
    if (size >= kLargestChunk) {
        if (LargeImageMemory* memory = AllocateHugePageBlock(size)) {
            largeChunks.emplace_back(memory);
            size = memory->bytes;
            return reinterpret_cast<char*>(memory->data);
        }
    }
    chunks.emplace_back(new char[size]);  // left uninitialised: only ever written first
    return chunks.back().get();
}

TextTable::Id TextTable::Intern(std::string_view text) {
    const std::uint32_t hash = HashOf(text);
    const std::lock_guard<std::mutex> lock(mutex);
    std::size_t slot = SlotOf(text, hash);
    if (lookup[slot].id != kFreeSlot) return lookup[slot].id;
    if (count == kIdLimit) throw std::bad_alloc();
    const std::size_t block = BlockOf(count);
    if (!blocks[block]) blocks[block] = std::make_unique<std::string_view[]>(BlockSize(block));
    Place(count) = Store(text);
    if (2 * (count + 1) > lookup.size()) {
        GrowSlots();
        slot = SlotOf(text, hash);
    }
    lookup[slot] = Slot{hash, count};
    return count++;
}

bool TextTable::Find(std::string_view text, Id& id) const {
    const std::uint32_t hash = HashOf(text);
    const std::lock_guard<std::mutex> lock(mutex);
    const Slot& slot = lookup[SlotOf(text, hash)];
    if (slot.id == kFreeSlot) return false;
    id = slot.id;
    return true;
}

std::string_view TextTable::Text(Id id) const { return Place(id); }

Ref<TextTable> MakeTextTable() { return Ref<TextTable>(new RefCounted<TextTable>()); }
