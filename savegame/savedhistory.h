#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "savegame/tripleagame.h"

// TripleA's history of a saved game, rebuilt as TripleA rebuilds it from the saved entries:
// a tree of rounds, steps, events and event children, each indexed node with its range of
// changes; and the board of any point of the history, found by undoing and redoing changes
// from the final board as TripleA's history view does.
namespace savedhistory {

struct Node {
    enum class Kind : std::uint8_t { kRoot, kRound, kStep, kEvent, kEventChild };
    Kind kind = Kind::kRoot;
    std::int32_t parent = -1;
    std::vector<std::int32_t> children;
    std::int32_t changeStart = 0;  // rounds, steps and events
    std::int32_t changeEnd = -1;   // set when a round or event is closed
    std::int32_t entry = -1;       // its entry in Game::entries, -1 for the root and "???"
    std::string title;             // an event or child made up for a change out of place
};

struct Tree {
    std::vector<Node> nodes;  // nodes[0] is the root; removed steps stay here unlinked
};

// Builds the tree from the game's entries; false with a reason when TripleA could not have
// written them in that order.
bool BuildTree(const tripleagame::Game& game, Tree& tree, std::string& error);

// The board at one point of the history: owners of the territories and their units.
class Board {
public:
    explicit Board(const tripleagame::Game& game);

    // Brings the board from the point after change number `from` to after `to`.
    void Seek(std::int32_t from, std::int32_t to);

    tripleagame::NameId Owner(std::size_t territory) const { return owners[territory]; }
    const std::vector<tripleagame::UnitId>& Units(std::size_t territory) const {
        return units[territory];
    }
    tripleagame::NameId UnitOwner(tripleagame::UnitId unit) const { return unitOwners[unit]; }

private:
    void Apply(const tripleagame::BoardChange& change, bool undo);
    void Add(const tripleagame::BoardChange& change,
             const std::vector<std::pair<tripleagame::UnitId, tripleagame::NameId>>& owners);
    void Remove(const tripleagame::BoardChange& change);

    const tripleagame::Game& game;
    std::vector<tripleagame::NameId> owners;
    std::vector<std::vector<tripleagame::UnitId>> units;
    std::vector<tripleagame::NameId> unitOwners;
    std::vector<std::uint32_t> marks;  // per unit: the removal that marked it
    std::uint32_t removal = 0;
};

// The converter text of the game: one frame per step of the tree, in order, each the board
// as TripleA shows it at the step's last event.
std::string ConverterText(const tripleagame::Game& game, const Tree& tree);

// The tree as text, one node a line, indented by depth.
std::string DescribeTree(const tripleagame::Game& game, const Tree& tree);

}  // namespace savedhistory
