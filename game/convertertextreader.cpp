#include "game/convertertextreader.h"

#include <cstdio>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/ref.h"
#include "base/regularfile.h"
#include "base/stringutil.h"

namespace {

constexpr std::size_t kPieceLength = 255;
constexpr std::string_view kFileMark = "TrevoConvert\n";
constexpr std::string_view kEndTerritory = "End Territory";
constexpr std::string_view kEndFrame = "End Frame";
// A territory with this many unit stacks gets an index of them; fewer are searched.
constexpr std::int32_t kStacksToIndex = 16;

// Reads a file as text: a carriage return directly before a line feed belongs to the line
// end, and lines come in pieces of at most 255 characters, the line feed included. A
// longer line is delivered as several pieces.
class TextPieces {
public:
    explicit TextPieces(std::FILE* textFile) : file(textFile), buffer(kBufferSize) {}

    // The next piece, or false at the end of the file (a read error ends it too).
    bool Next(std::string& piece) {
        piece.clear();
        while (piece.size() < kPieceLength) {
            const int c = Get();
            if (c == EOF) break;
            piece.push_back(static_cast<char>(c));
            if (c == '\n') break;
        }
        return !piece.empty();
    }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    bool Fill() {
        if (position < end) return true;
        end = std::fread(buffer.data(), 1, buffer.size(), file);
        position = 0;
        return end > 0;
    }

    int Get() {
        if (!Fill()) return EOF;
        const char c = buffer[position++];
        if (c == '\r' && Fill() && buffer[position] == '\n') {
            ++position;
            return '\n';
        }
        return static_cast<unsigned char>(c);
    }

    std::FILE* file;
    std::vector<char> buffer;
    std::size_t position = 0;
    std::size_t end = 0;
};

// A piece as a line: the text before any NUL byte (names are C texts), without the line
// feed that ends it.
std::string_view LineOf(const std::string& piece) {
    std::string_view line(piece.c_str());
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    return line;
}

// The text between the first and the second colon, or from the first colon to the end. A
// line without any colon gives an empty value rather than leaving an earlier one in place.
std::string ValueAfterLabel(std::string_view line) {
    std::vector<std::string> pieces = SplitString(line, ':');
    return pieces.size() > 1 ? std::move(pieces[1]) : std::string();
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
// table to go into, whatever the text's shape.
class ConverterTextReader {
public:
    explicit ConverterTextReader(GameHistory& gameHistory) : history(gameHistory) { StartFrame(); }

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
        territory.Reset();
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
                SetIndexedText(history.captions, FrameNumber(), ValueAfterLabel(line));
                position = Position::kFrameLine2;
                break;
            case Position::kFrameLine2:
                position = Position::kFrameLine3;
                break;
            case Position::kFrameLine3:
                SetIndexedText(history.players, FrameNumber(), ValueAfterLabel(line));
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
                SelectTerritory(std::string(line));
                position = Position::kTerritoryLine2;
                break;
            case Position::kTerritoryLine2:
                if (territory) territory->SetOwner(ValueAfterLabel(line));
                position = Position::kUnitType;
                break;
            case Position::kUnitType:
                lastUnitType.assign(line);
                position = Position::kUnitOwner;
                break;
            case Position::kUnitOwner:
                CountUnit(std::string(line));
                position = Position::kUnitType;
                break;
        }
    }

    // Makes the named territory of the current frame the current territory: the one already
    // in the frame, else the object an earlier reading had there, else a new one with the
    // production value of frame 0's territory of that name.
    void SelectTerritory(const std::string& name) {
        territory.Reset();
        HistoryFrame& frame = history.frames[frameIndex];
        const auto found = frame.find(name);
        if (found != frame.end()) {
            territory = found->second;
        } else {
            territory = TakePreviousTerritory(name);
            if (!territory) territory = CreateTerritory(name);
            frame.emplace(name, territory);
        }
        territory->SetName(name);
        const auto index = indexes.find(territory.Get());
        territoryIndex = index != indexes.end() ? &index->second : nullptr;
    }

    Ref<TerritoryState> TakePreviousTerritory(const std::string& name) {
        auto node = previousTerritories.extract(name);
        return node ? std::move(node.mapped()) : Ref<TerritoryState>();
    }

    Ref<TerritoryState> CreateTerritory(const std::string& name) {
        Ref<TerritoryState> created;
        CreateTerritoryState(created.Receive());
        const HistoryFrame& first = history.frames.front();
        const auto original = first.find(name);
        if (original != first.end()) {
            std::string production;
            original->second->GetProduction(production);
            created->SetProduction(production);
        }
        return created;
    }

    using StackIndex = std::unordered_map<std::string, Ref<UnitStack>>;

    // The key of a stack in an index. Neither text holds a NUL byte (lines end at one), so
    // type and owner cannot run into each other.
    static void SetStackKey(std::string& key, const std::string& type, const std::string& owner) {
        key.assign(type).push_back('\0');
        key.append(owner);
    }

    // The index of the current territory's stacks by type and owner, or none while it holds
    // few enough stacks to search them. Made from the stacks it holds, the first of each type
    // and owner, so that it finds what the search would find.
    StackIndex* IndexOfTerritory() {
        if (territoryIndex || territory->GetUnitCount(nullptr) < kStacksToIndex) {
            return territoryIndex;
        }
        territoryIndex = &indexes[territory.Get()];
        std::string type;
        std::string owner;
        const std::int32_t count = territory->GetUnitCount(nullptr);
        for (std::int32_t i = 0; i < count; ++i) {
            Ref<UnitStack> stack;
            if (!territory->GetUnit(i, stack.Receive())) continue;
            stack->GetType(type);
            stack->GetOwner(owner);
            SetStackKey(stackKey, type, owner);
            territoryIndex->try_emplace(stackKey, std::move(stack));
        }
        return territoryIndex;
    }

    // The first stack of the type and owner in the current territory, or a new one added
    // to it.
    Ref<UnitStack> StackFor(const std::string& type, const std::string& owner) {
        Ref<UnitStack> stack;
        StackIndex* index = IndexOfTerritory();
        if (index) {
            SetStackKey(stackKey, type, owner);
            Ref<UnitStack>& slot = (*index)[stackKey];
            if (slot) return slot;
        } else if (territory->FindUnit(type, owner, stack.Receive())) {
            return stack;
        }
        CreateUnitStack(stack.Receive());
        stack->SetType(type);
        stack->SetOwner(owner);
        territory->AddUnit(stack.Get());
        if (index) (*index)[stackKey] = stack;
        return stack;
    }

    // One unit pair counts one unit; stacks are merged by type and owner.
    void CountUnit(const std::string& owner) {
        if (!territory) return;
        Ref<UnitStack> stack = StackFor(lastUnitType, owner);
        stack->GetQuantity(quantity);
        const std::int32_t count = ReadLeadingInteger(quantity);
        FormatString(quantity, "%d",
                     count < std::numeric_limits<std::int32_t>::max() ? count + 1 : count);
        stack->SetQuantity(quantity);
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
    std::size_t frameIndex = 0;
    Position position = Position::kFrameLine1;
    Ref<TerritoryState> territory;
    std::string lastUnitType;
    std::string quantity;
    std::string stackKey;
    // Indexes of the stacks of the current frame's territories that hold many, so that a
    // merge costs the same however many stacks the territory holds; and the current
    // territory's, when it has one.
    std::unordered_map<const TerritoryState*, StackIndex> indexes;
    StackIndex* territoryIndex = nullptr;
    // The current frame's territories from an earlier reading, not yet listed again.
    HistoryFrame previousTerritories;
};

}  // namespace

void ReadConverterText(GameHistory& history, const std::string& path) {
    if (path.empty()) return;
    const FileHandle file = OpenRegularStream(path, kMaxTextFileBytes);
    if (!file) return;
    TextPieces pieces(file.get());
    std::string piece;
    if (!pieces.Next(piece) || piece != kFileMark) return;

    ClearAllUnits(history);
    ConverterTextReader reader(history);
    while (pieces.Next(piece)) reader.ReadLine(LineOf(piece));
    reader.Finish();
}
