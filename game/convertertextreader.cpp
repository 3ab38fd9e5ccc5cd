#include "game/convertertextreader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/ref.h"
#include "base/regularfile.h"
#include "game/territorystateimpl.h"
#include "game/texttable.h"

namespace {

constexpr std::size_t kPieceLength = 255;
constexpr std::string_view kFileMark = "TrevoConvert";
constexpr std::string_view kEndTerritory = "End Territory";
constexpr std::string_view kEndFrame = "End Frame";
// A territory with this many unit stacks gets an index of them; fewer are searched.
constexpr std::int32_t kStacksToIndex = 16;

// Reads a file as text: a carriage return directly before a line feed belongs to the line
// end, and lines come in pieces of at most 255 characters, the line feed included. A
// longer line is delivered as several pieces. A piece is looked at where it lies in the
// buffer, found with memchr, and not copied.
class TextPieces {
public:
    explicit TextPieces(std::FILE* textFile) : file(textFile), buffer(kBufferSize) {}

    // The next piece, or false at the end of the file (a read error ends it too): its text
    // without the line end, valid until the next call, and whether a line feed ended it.
    bool Next(std::string_view& text, bool& lineFeed) {
        if (end - position <= kPieceLength) Fill();
        const char* begin = buffer.data() + position;
        const std::size_t available = end - position;
        if (available == 0) return false;
        // A piece of 255 characters can end with a carriage return and a line feed, which
        // make its last character: 256 bytes.
        const std::size_t window = std::min(available, kPieceLength + 1);
        const auto* found = static_cast<const char*>(std::memchr(begin, '\n', window));
        if (found) {
            const auto feed = static_cast<std::size_t>(found - begin);
            if (feed > 0 && begin[feed - 1] == '\r')
                return Take(text, lineFeed, feed - 1, feed + 1);
            if (feed < kPieceLength) return Take(text, lineFeed, feed, feed + 1);
        }
        const std::size_t length = std::min(window, kPieceLength);
        text = std::string_view(begin, length);
        lineFeed = false;
        position += length;
        return true;
    }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    bool Take(std::string_view& text, bool& lineFeed, std::size_t length, std::size_t bytes) {
        text = std::string_view(buffer.data() + position, length);
        lineFeed = true;
        position += bytes;
        return true;
    }

    // Moves what is left to the front and reads until the buffer is full or the file ends.
    void Fill() {
        if (atEnd) return;
        std::memmove(buffer.data(), buffer.data() + position, end - position);
        end -= position;
        position = 0;
        while (end < buffer.size()) {
            const std::size_t read = std::fread(buffer.data() + end, 1, buffer.size() - end, file);
            if (read == 0) {
                atEnd = true;
                break;
            }
            end += read;
        }
    }

    std::FILE* file;
    std::vector<char> buffer;
    std::size_t position = 0;
    std::size_t end = 0;
    bool atEnd = false;
};

// A piece as a line: the text before any NUL byte (names are C texts).
std::string_view LineOf(std::string_view text) {
    const auto* nul = static_cast<const char*>(std::memchr(text.data(), '\0', text.size()));
    return nul ? text.substr(0, static_cast<std::size_t>(nul - text.data())) : text;
}

// The text between the first and the second colon, or from the first colon to the end. A
// line without any colon gives an empty value rather than leaving an earlier one in place.
std::string_view ValueAfterLabel(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return std::string_view();
    const std::string_view rest = line.substr(colon + 1);
    return rest.substr(0, rest.find(':'));
}

// Where a line stands in its frame; every line is taken for what its position says.
enum class Position {
    kFrameLine1,
    kFrameLine2,
    kFrameLine3,
    kFrameLine4,
    kFrameLine5,
    kFrameLine6,
    kTerritoryLine1,
    kTerritoryLine2,
    kUnitType,
    kUnitOwner,
};

// Turns the lines after the file mark into frames. The frame being filled always exists:
// it is appended when the history has none at its index, so territories never lack a
// table to go into, whatever the text's shape. The territories it makes keep their texts
// in one table, so that each name is stored once however many frames repeat it.
class ConverterTextReader {
public:
    explicit ConverterTextReader(GameHistory& gameHistory)
        : history(gameHistory), texts(MakeTextTable()) {
        StartFrame();
    }

    void ReadLine(std::string_view line) {
        if (line == kEndTerritory) {
            position = Position::kTerritoryLine1;
        } else if (line == kEndFrame) {
            ++frameIndex;
            StartFrame();
            position = Position::kFrameLine1;
        } else {
            ReadByPosition(line);
        }
    }

    // The frame in progress (after a well-formed text, the empty one the last "End Frame"
    // began) goes, and so does every frame an earlier, longer text left: the history then
    // holds exactly one frame per "End Frame".
    void Finish() {
        history.frames.erase(history.frames.begin() + static_cast<std::ptrdiff_t>(frameIndex),
                             history.frames.end());
        if (history.captions.size() > frameIndex) history.captions.resize(frameIndex);
        if (history.players.size() > frameIndex) history.players.resize(frameIndex);
        LeaveTerritory();
        previousTerritories.clear();
        EmptyIndexes();
    }

private:
    std::int32_t FrameNumber() const {
        constexpr auto kLast = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
        return static_cast<std::int32_t>(frameIndex < kLast ? frameIndex : kLast);
    }

    // Readies the frame at frameIndex. A frame left by an earlier reading keeps only the
    // territory objects this text lists again, and its caption and player start empty, so
    // that nothing of the earlier text shows. Frame 0 keeps the game definition's
    // territories, which the text fills.
    void StartFrame() {
        if (frameIndex == history.frames.size()) history.frames.emplace_back();
        if (frameIndex > 0) previousTerritories = std::exchange(history.frames[frameIndex], {});
        EmptyIndexes();  // no territory of this frame has been read yet
        SetIndexedText(history.captions, FrameNumber(), std::string());
        SetIndexedText(history.players, FrameNumber(), std::string());
    }

    void ReadByPosition(std::string_view line) {
        switch (position) {
            case Position::kFrameLine1:
                SetIndexedText(history.captions, FrameNumber(), std::string(ValueAfterLabel(line)));
                position = Position::kFrameLine2;
                break;
            case Position::kFrameLine2:
                position = Position::kFrameLine3;
                break;
            case Position::kFrameLine3:
                SetIndexedText(history.players, FrameNumber(), std::string(ValueAfterLabel(line)));
                position = Position::kFrameLine4;
                break;
            case Position::kFrameLine4:
                position = Position::kFrameLine5;
                break;
            case Position::kFrameLine5:
                position = Position::kFrameLine6;
                break;
            case Position::kFrameLine6:
                position = Position::kTerritoryLine1;
                break;
            case Position::kTerritoryLine1:
                SelectTerritory(line);
                position = Position::kTerritoryLine2;
                break;
            case Position::kTerritoryLine2:
                SetTerritoryOwner(ValueAfterLabel(line));
                position = Position::kUnitType;
                break;
            case Position::kUnitType:
                lastUnitType.assign(line);
                position = Position::kUnitOwner;
                break;
            case Position::kUnitOwner:
                CountUnit(line);
                position = Position::kUnitType;
                break;
        }
    }

    // Makes the named territory of the current frame the current territory: the one already
    // in the frame, else the object an earlier reading had there, else a new one with the
    // production value of frame 0's territory of that name.
    void SelectTerritory(std::string_view line) {
        LeaveTerritory();
        name.assign(line);
        HistoryFrame& frame = history.frames[frameIndex];
        const auto found = frame.find(name);
        if (found != frame.end()) {
            territory = found->second;
        } else {
            territory = TakePreviousTerritory();
            if (!territory) territory = CreateTerritory();
            frame.emplace(name, territory);
        }
        territory->SetName(name);
        ours = dynamic_cast<TerritoryStateImpl*>(territory.Get());
        const auto index = indexes.find(territory.Get());
        territoryIndex = index != indexes.end() ? &index->second : nullptr;
    }

    // The territory's stacks take no more room than they need once its block is read.
    void LeaveTerritory() {
        if (ours) ours->FitStacks();
        ours = nullptr;
        territory.Reset();
    }

    void SetTerritoryOwner(std::string_view owner) {
        if (ours) {
            ours->AssignOwner(owner);
        } else if (territory) {
            territory->SetOwner(std::string(owner));
        }
    }

    Ref<TerritoryState> TakePreviousTerritory() {
        auto node = previousTerritories.extract(name);
        return node ? std::move(node.mapped()) : Ref<TerritoryState>();
    }

    Ref<TerritoryState> CreateTerritory() {
        Ref<TerritoryStateImpl> created = MakeTerritoryState(texts);
        const HistoryFrame& first = history.frames.front();
        const auto original = first.find(name);
        if (original != first.end()) created->CopyProductionFrom(*original->second);
        return Ref<TerritoryState>(created.Get());
    }

    // Stacks by type and owner (the numbers of their texts) to their index.
    using StackIndex = std::unordered_map<std::uint64_t, std::int32_t>;

    static std::uint64_t StackKey(TextTable::Id type, TextTable::Id owner) {
        return std::uint64_t{type} << 32 | owner;
    }

    // The index of the current territory's stacks, or none while it holds few enough
    // stacks to search them. Made from the stacks it holds, the first of each type and
    // owner, so that it finds what the search would find.
    StackIndex* IndexOfTerritory() {
        if (territoryIndex || ours->GetUnitCount(nullptr) < kStacksToIndex) return territoryIndex;
        territoryIndex = &indexes[territory.Get()];
        const std::int32_t count = ours->GetUnitCount(nullptr);
        for (std::int32_t i = 0; i < count; ++i) {
            TextTable::Id type = 0;
            TextTable::Id owner = 0;
            ours->StackKey(i, type, owner);
            territoryIndex->try_emplace(StackKey(type, owner), i);
        }
        return territoryIndex;
    }

    // One unit pair counts one unit; stacks are merged by type and owner.
    void CountUnit(std::string_view ownerLine) {
        if (!ours) {
            if (territory) CountUnitOfOtherTerritory(std::string(ownerLine));
            return;
        }
        TextTable& names = ours->Texts();
        const TextTable::Id type = names.Intern(lastUnitType);
        const TextTable::Id owner = names.Intern(ownerLine);
        StackIndex* index = IndexOfTerritory();
        if (!index) {
            const std::int32_t found = ours->FindStack(type, owner);
            if (found >= 0) {
                ours->AddOneUnit(found);
            } else {
                ours->AppendStack(type, owner);
            }
            return;
        }
        const auto [slot, added] = index->try_emplace(StackKey(type, owner), 0);
        if (added) {
            slot->second = ours->AppendStack(type, owner);
        } else {
            ours->AddOneUnit(slot->second);
        }
    }

    // A territory of another implementation, put into the history by hand, is counted
    // through its interface, stack by stack.
    void CountUnitOfOtherTerritory(const std::string& owner) {
        Ref<UnitStack> stack;
        const bool found = territory->FindUnit(lastUnitType, owner, stack.Receive());
        if (!found) {
            CreateUnitStack(stack.Receive());
            stack->SetType(lastUnitType);
            stack->SetOwner(owner);
        }
        stack->GetQuantity(quantity);
        CountOneMore(quantity);
        stack->SetQuantity(quantity);
        if (!found) territory->AddUnit(stack.Get());
    }

    // Empties the indexes for a new frame, giving their memory back when the table was much
    // larger than what it held, so that many small frames after a large one stay cheap.
    void EmptyIndexes() {
        territoryIndex = nullptr;
        if (indexes.bucket_count() > 4 * indexes.size() + 64) {
            indexes = std::unordered_map<const TerritoryState*, StackIndex>();
        } else {
            indexes.clear();
        }
    }

    GameHistory& history;
    Ref<TextTable> texts;
    std::size_t frameIndex = 0;
    Position position = Position::kFrameLine1;
    Ref<TerritoryState> territory;
    // The current territory when it is one of this library's, whose storage the reader
    // fills directly.
    TerritoryStateImpl* ours = nullptr;
    std::string name;
    std::string lastUnitType;
    std::string quantity;
    // Indexes of the stacks of the current frame's territories that hold many, so that a
    // merge costs the same however many stacks the territory holds; and the current
    // territory's, when it has one.
    std::unordered_map<const TerritoryState*, StackIndex> indexes;
    StackIndex* territoryIndex = nullptr;
    // The current frame's territories from an earlier reading, not yet listed again.
    HistoryFrame previousTerritories;
};

}  // namespace

namespace {

void ReadConverterStream(GameHistory& history, std::FILE* file) {
    TextPieces pieces(file);
    std::string_view piece;
    bool lineFeed = false;
    if (!pieces.Next(piece, lineFeed) || piece != kFileMark || !lineFeed) return;

    ClearAllUnits(history);
    ConverterTextReader reader(history);
    while (pieces.Next(piece, lineFeed)) reader.ReadLine(LineOf(piece));
    reader.Finish();
}

}  // namespace

void ReadConverterText(GameHistory& history, const std::string& path) {
    if (path.empty()) return;
    const FileHandle file = OpenRegularStream(path, kMaxTextFileBytes);
    if (file) ReadConverterStream(history, file.get());
}

void ReadConverterTextInMemory(GameHistory& history, std::string_view text) {
    if (text.empty()) return;
    // A stream over the text itself, so that both inputs go through one reader.
    const FileHandle file(fmemopen(const_cast<char*>(text.data()), text.size(), "r"));
    if (file) ReadConverterStream(history, file.get());
}
