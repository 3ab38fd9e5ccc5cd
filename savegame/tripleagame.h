#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "savegame/javastream.h"

// What a TripleA saved game holds for its pictures, taken from the objects of its stream:
// the territories with their owners and units at the end of the game, the units, the
// history's writers in order, and the changes that move owners and units. Names of players,
// unit types and territories are numbers into one table of texts.
namespace tripleagame {

using NameId = std::uint32_t;
using UnitId = std::uint32_t;

// The owner TripleA shows for no player, and for a name that no player of the game has.
constexpr NameId kNobody = 0;

struct Territory {
    std::string name;
    NameId owner = kNobody;
    std::vector<UnitId> units;  // in TripleA's order
};

struct Unit {
    NameId type = 0;
    NameId owner = kNobody;
};

// One change that moves owners or units; every other change of TripleA leaves the board
// alone and is only counted.
struct BoardChange {
    enum class Kind : std::uint8_t { kAddUnits, kRemoveUnits, kOwnerChange, kUnitOwnerChange };
    Kind kind = Kind::kAddUnits;
    // The territory, or -1 when the units are held by a player or the name is unknown.
    std::int32_t territory = -1;
    std::vector<UnitId> units;
    // Units added: the owner each had when the change was made (TripleA 2.x records them).
    // A unit owner change: the new owners; oldOwners the owners before.
    std::vector<std::pair<UnitId, NameId>> owners;
    std::vector<std::pair<UnitId, NameId>> oldOwners;
    NameId oldOwner = kNobody;  // a territory's owner change
    NameId newOwner = kNobody;
};

// An entry of the history as TripleA saved it: a new round, step, event or event child, or
// one change (of any kind) made in the node written last.
struct HistoryEntry {
    enum class Kind : std::uint8_t { kRound, kStep, kEvent, kEventChild, kChange };
    Kind kind = Kind::kChange;
    std::int32_t round = 0;
    std::string stepName;
    std::string delegateName;
    std::string title;   // a step's display name, an event's description, a child's text
    std::string player;  // a step's player, "" for none
    bool hasPlayer = false;
    bool titleIsNull = false;
};

struct Game {
    std::string engineVersion;     // "1.9.0.0", "2.5.22294"
    bool newHistoryRules = false;  // saved by TripleA 2.x, which seeks its history otherwise
    std::int32_t currentRound = 1;
    std::vector<std::string> names;  // names[kNobody] is "Neutral"
    std::vector<Territory> territories;
    std::vector<Unit> units;
    std::vector<HistoryEntry> entries;
    // Change number i of the history is boardChanges[changeStarts[i] .. changeStarts[i + 1]).
    std::vector<BoardChange> boardChanges;
    std::vector<std::uint32_t> changeStarts;

    std::size_t ChangeCount() const { return changeStarts.empty() ? 0 : changeStarts.size() - 1; }
    const std::string& Name(NameId id) const { return names[id]; }
};

enum class Problem { kNone, kNotASave, kUnsupported, kDamaged };

struct ReadError {
    Problem problem = Problem::kNone;
    std::string message;
};

// The classes of TripleA whose writeObject writes none of their fields.
const std::vector<std::string>& ClassesWithoutDefaultFields();

// Reads the game out of a stream's graph whose first two objects are TripleA's version and
// its GameData.
bool ReadGame(const javastream::Graph& graph, Game& game, ReadError& error);

}  // namespace tripleagame
