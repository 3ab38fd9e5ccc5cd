#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "base/ref.h"
#include "base/unknown.h"
#include "platform/imagememory.h"

// Texts kept once each and named by a number, for the objects of a history, which repeat the
// same few territory, player and unit names in every frame. Number 0 is the empty text.
// Adding a text takes a lock; reading a text by its number does not, since a stored text
// never moves: the bytes sit in chunks and the texts' places in blocks that are only ever
// added.
class TextTable : public Unknown {
public:
    using Id = std::uint32_t;
    static constexpr Id kEmpty = 0;
    // Numbers stay below this bound, which leaves their top bit free for those who store a
    // number and something else in 32 bits.
    static constexpr Id kIdLimit = Id{1} << 31;

    TextTable();

    // The number of the text, stored now if it is new. Throws std::bad_alloc when the table
    // holds kIdLimit texts, as it would when memory runs out.
    Id Intern(std::string_view text);
    // Stores the number of a text already held in id.
    bool Find(std::string_view text, Id& id) const;
    // The text of a number this table handed out.
    std::string_view Text(Id id) const;

    virtual ~TextTable() = default;

private:
    // Block 0 holds the places of the first kFirstBlockSize texts, and every further block
    // as many as all before it, so that the numbers up to kIdLimit need kBlockCount blocks.
    static constexpr unsigned kFirstBlockBits = 4;
    static constexpr Id kFirstBlockSize = Id{1} << kFirstBlockBits;
    static constexpr std::size_t kBlockCount = 31 - kFirstBlockBits + 1;
    static std::size_t BlockOf(Id id);
    static Id BlockStart(std::size_t block);
    static Id BlockSize(std::size_t block);
    std::string_view& Place(Id id) const;

    // The lookup: open addressing over a power-of-two number of slots, at most half full.
    struct Slot {
        std::uint32_t hash;
        Id id;
    };
    static constexpr Id kFreeSlot = ~Id{0};
    static std::uint32_t HashOf(std::string_view text);
    // The slot holding the text, or the free slot where it belongs.
    std::size_t SlotOf(std::string_view text, std::uint32_t hash) const;
    void GrowSlots();

    // Copies the text into the current chunk, starting a new one when it does not fit.
    std::string_view Store(std::string_view text);
    // A new chunk of at least size bytes; its size is stored back into size.
    char* NewChunk(std::size_t& size);

    struct LargeChunkFree {
        void operator()(LargeImageMemory* chunk) const { FreeHugePageBlock(chunk); }
    };

    mutable std::mutex mutex;
    std::vector<Slot> lookup;
    std::array<std::unique_ptr<std::string_view[]>, kBlockCount> blocks;
    std::vector<std::unique_ptr<char[]>> chunks;
    std::vector<std::unique_ptr<LargeImageMemory, LargeChunkFree>> largeChunks;
    char* chunkFree = nullptr;
    std::size_t chunkLeft = 0;
    std::size_t nextChunkSize = 256;
    Id count = 0;
};

// A new, empty table (holding only the empty text).
Ref<TextTable> MakeTextTable();
