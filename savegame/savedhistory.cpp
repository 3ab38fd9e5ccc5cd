#include "savegame/savedhistory.h"

#include <algorithm>

namespace savedhistory {

namespace {

using tripleagame::BoardChange;
using tripleagame::Game;
using tripleagame::HistoryEntry;
using Kind = Node::Kind;

// Replays the entries as TripleA's history writer does when it loads a game.
class TreeBuilder {
public:
    TreeBuilder(const Game& source, Tree& target) : game(source), tree(target) {
        tree.nodes.assign(1, Node());
    }

    void Build() {
        for (std::size_t i = 0; i < game.entries.size(); ++i) Write(static_cast<std::int32_t>(i));
    }

    struct OutOfOrder {
        std::string what;
    };

private:
    bool CurrentIs(Kind kind) const { return current >= 0 && Current().kind == kind; }
    Node& Current() { return tree.nodes[static_cast<std::size_t>(current)]; }
    const Node& Current() const { return tree.nodes[static_cast<std::size_t>(current)]; }

    void Write(std::int32_t index) {
        const HistoryEntry& entry = game.entries[static_cast<std::size_t>(index)];
        switch (entry.kind) {
            case HistoryEntry::Kind::kRound:
                StartRound(index);
                break;
            case HistoryEntry::Kind::kStep:
                StartStep(index);
                break;
            case HistoryEntry::Kind::kEvent:
                StartEvent(index, std::string());
                break;
            case HistoryEntry::Kind::kEventChild:
                if (!CurrentIs(Kind::kEvent)) StartEvent(-1, "???");
                Add(Kind::kEventChild, index);
                break;
            case HistoryEntry::Kind::kChange:
                if (!CurrentIs(Kind::kEvent) && !CurrentIs(Kind::kStep))
                    throw OutOfOrder{"a change outside any step"};
                ++changes;
                break;
        }
    }

    void StartRound(std::int32_t entry) {
        if (CurrentIs(Kind::kEvent)) Close();
        if (CurrentIs(Kind::kStep)) Close();
        if (CurrentIs(Kind::kRound)) Close();
        current = 0;
        current = Add(Kind::kRound, entry);
    }

    void StartStep(std::int32_t entry) {
        if (current < 0) StartRound(-1);
        if (CurrentIs(Kind::kEvent)) Close();
        if (CurrentIs(Kind::kStep)) Close();
        if (!CurrentIs(Kind::kRound)) throw OutOfOrder{"a step outside any round"};
        current = Add(Kind::kStep, entry);
    }

    void StartEvent(std::int32_t entry, const std::string& title) {
        if (CurrentIs(Kind::kEvent)) Close();
        if (!CurrentIs(Kind::kStep)) throw OutOfOrder{"an event outside any step"};
        current = Add(Kind::kEvent, entry);
        Current().title = title;
    }

    std::int32_t Add(Kind kind, std::int32_t entry) {
        Node node;
        node.kind = kind;
        node.parent = current;
        node.changeStart = changes;
        node.entry = entry;
        const auto index = static_cast<std::int32_t>(tree.nodes.size());
        tree.nodes.push_back(std::move(node));
        Current().children.push_back(index);
        return index;
    }

    // A step that got no event is dropped; a round or event that closes records its end.
    void Close() {
        const std::int32_t closing = current;
        current = Current().parent;
        Node& node = tree.nodes[static_cast<std::size_t>(closing)];
        if (node.kind == Kind::kStep) {
            if (node.children.empty()) Current().children.pop_back();
            return;
        }
        node.changeEnd = changes;
    }

    const Game& game;
    Tree& tree;
    std::int32_t current = -1;
    std::int32_t changes = 0;
};

std::int32_t LastLeaf(const Tree& tree, std::int32_t node) {
    while (!tree.nodes[static_cast<std::size_t>(node)].children.empty())
        node = tree.nodes[static_cast<std::size_t>(node)].children.back();
    return node;
}

// Where a node's changes end: an event's end (an event child's, that of its event); a
// round's own end, else that of its last child, as steps record none; the end of the
// history while a node is still open.
std::int32_t NodeEnd(const Game& game, const Tree& tree, std::int32_t index) {
    const Node& node = tree.nodes[static_cast<std::size_t>(index)];
    std::int32_t end = node.kind == Kind::kEventChild
                           ? tree.nodes[static_cast<std::size_t>(node.parent)].changeEnd
                           : node.changeEnd;
    if (end == -1 && node.kind != Kind::kEvent && node.kind != Kind::kEventChild &&
        !node.children.empty())
        return NodeEnd(game, tree, node.children.back());
    return end == -1 ? static_cast<std::int32_t>(game.ChangeCount()) : end;
}

// The number of changes made when the history view stands on a node. TripleA 1.9 puts a
// round or step at its first change; TripleA 2.x at its end.
std::int32_t ChangesAt(const Game& game, const Tree& tree, std::int32_t index) {
    const Node& node = tree.nodes[static_cast<std::size_t>(index)];
    if (node.kind == Kind::kRoot) return 0;
    const bool roundOrStep = node.kind == Kind::kRound || node.kind == Kind::kStep;
    if (roundOrStep && !game.newHistoryRules) return node.changeStart;
    return NodeEnd(game, tree, index);
}

// The board starts as saved: after every change in 2.x, and in 1.9 wherever its history
// thinks its last node stands.
std::int32_t StartingPoint(const Game& game, const Tree& tree) {
    if (game.newHistoryRules) return static_cast<std::int32_t>(game.ChangeCount());
    return ChangesAt(game, tree, LastLeaf(tree, 0));
}

// Values after a label end at the next colon for the reader, so they carry none; every
// value takes one line.
std::string WithoutColons(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (c != ':') result += c;
    }
    return result;
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

class TextWriter {
public:
    TextWriter(const Game& source, const Tree& history) : game(source), tree(history) {
        for (const std::string& name : game.names) {
            names.push_back(OneLine(name));
            ownerLines.push_back("Owner:" + OneLine(WithoutColons(name)) + "\n");
        }
        for (const tripleagame::Territory& territory : game.territories)
            territoryLines.push_back(OneLine(territory.name) + "\n");
    }

    std::string Write() {
        text = "TrevoConvert\n";
        Board board(game);
        std::int32_t at = StartingPoint(game, tree);
        std::int32_t frame = 0;
        for (const std::int32_t round : tree.nodes[0].children) {
            for (const std::int32_t step : tree.nodes[static_cast<std::size_t>(round)].children) {
                const std::int32_t target = ChangesAt(game, tree, LastLeaf(tree, step));
                board.Seek(at, target);
                at = target;
                WriteFrame(board, round, step, frame++);
            }
        }
        return std::move(text);
    }

private:
    const HistoryEntry* EntryOf(std::int32_t node) const {
        const std::int32_t entry = tree.nodes[static_cast<std::size_t>(node)].entry;
        return entry < 0 ? nullptr : &game.entries[static_cast<std::size_t>(entry)];
    }

    void Line(const std::string& line) {
        text += OneLine(line);
        text += '\n';
    }

    void WriteFrame(const Board& board, std::int32_t roundNode, std::int32_t stepNode,
                    std::int32_t frame) {
        const HistoryEntry* roundEntry = EntryOf(roundNode);
        const std::string round =
            std::to_string(roundEntry ? roundEntry->round : game.currentRound);
        const HistoryEntry& step = *EntryOf(stepNode);
        Line("Caption:Round " + round + " - " + WithoutColons(step.title));
        Line("Round:" + round);
        Line("Player:" + (step.hasPlayer ? WithoutColons(step.player) : std::string()));
        Line("Step:" + WithoutColons(step.stepName));
        Line("Delegate:" + WithoutColons(step.delegateName));
        Line("Frame:" + std::to_string(frame));
        for (std::size_t t = 0; t < game.territories.size(); ++t) {
            text += territoryLines[t];
            text += ownerLines[board.Owner(t)];
            for (const tripleagame::UnitId unit : board.Units(t)) {
                text += names[game.units[unit].type];
                text += '\n';
                text += names[board.UnitOwner(unit)];
                text += '\n';
            }
            text += "End Territory\n";
        }
        text += "End Frame\n";
    }

    const Game& game;
    const Tree& tree;
    std::vector<std::string> names;
    std::vector<std::string> ownerLines;
    std::vector<std::string> territoryLines;
    std::string text;
};

// The number of changes a node covers.
std::int32_t ChangeCount(const Game& game, const Tree& tree, std::int32_t index) {
    return NodeEnd(game, tree, index) - tree.nodes[static_cast<std::size_t>(index)].changeStart;
}

void DescribeNode(const Game& game, const Tree& tree, std::int32_t index, int depth,
                  std::string& out) {
    const Node& node = tree.nodes[static_cast<std::size_t>(index)];
    const HistoryEntry* entry =
        node.entry < 0 ? nullptr : &game.entries[static_cast<std::size_t>(node.entry)];
    std::string line(depth > 0 ? static_cast<std::size_t>(2 * (depth - 1)) : 0, ' ');
    const std::string changes = "\t" + std::to_string(ChangeCount(game, tree, index)) + " changes";
    switch (node.kind) {
        case Kind::kRoot:
            break;
        case Kind::kRound:
            line += "Round " + std::to_string(entry ? entry->round : game.currentRound) + changes;
            break;
        case Kind::kStep:
            line += "Step " + entry->title + "\t" + entry->stepName + "\t" +
                    (entry->hasPlayer ? entry->player : std::string("-")) + changes;
            break;
        case Kind::kEvent:
            line += "Event " + (entry ? entry->title : node.title) + changes;
            break;
        case Kind::kEventChild:
            line += "- " + entry->title;
            break;
    }
    if (node.kind != Kind::kRoot) out += OneLine(line) + "\n";
    for (const std::int32_t child : node.children) DescribeNode(game, tree, child, depth + 1, out);
}

}  // namespace

bool BuildTree(const Game& game, Tree& tree, std::string& error) {
    TreeBuilder builder(game, tree);
    try {
        builder.Build();
        return true;
    } catch (const TreeBuilder::OutOfOrder& fault) {
        error = "its history has " + fault.what;
        return false;
    }
}

Board::Board(const Game& source)
    : game(source), unitOwners(source.units.size()), marks(source.units.size(), 0) {
    for (const tripleagame::Territory& territory : game.territories) {
        owners.push_back(territory.owner);
        units.push_back(territory.units);
    }
    for (std::size_t i = 0; i < game.units.size(); ++i) unitOwners[i] = game.units[i].owner;
}

void Board::Seek(std::int32_t from, std::int32_t to) {
    const std::vector<std::uint32_t>& starts = game.changeStarts;
    if (to > from) {
        for (std::uint32_t i = starts[static_cast<std::size_t>(from)];
             i < starts[static_cast<std::size_t>(to)]; ++i)
            Apply(game.boardChanges[i], false);
    } else {
        for (std::uint32_t i = starts[static_cast<std::size_t>(from)];
             i > starts[static_cast<std::size_t>(to)]; --i)
            Apply(game.boardChanges[i - 1], true);
    }
}

void Board::Apply(const BoardChange& change, bool undo) {
    switch (change.kind) {
        case BoardChange::Kind::kAddUnits:
            undo ? Remove(change) : Add(change, change.owners);
            break;
        case BoardChange::Kind::kRemoveUnits:
            undo ? Add(change, change.owners) : Remove(change);
            break;
        case BoardChange::Kind::kOwnerChange:
            if (change.territory >= 0)
                owners[static_cast<std::size_t>(change.territory)] =
                    undo ? change.oldOwner : change.newOwner;
            break;
        case BoardChange::Kind::kUnitOwnerChange:
            for (const auto& [unit, owner] : undo ? change.oldOwners : change.owners)
                unitOwners[unit] = owner;
            break;
    }
}

// Units are added at the end, with the owners TripleA 2.x recorded for them.
void Board::Add(const BoardChange& change,
                const std::vector<std::pair<tripleagame::UnitId, tripleagame::NameId>>& owned) {
    for (const auto& [unit, owner] : owned) unitOwners[unit] = owner;
    if (change.territory < 0) return;
    std::vector<tripleagame::UnitId>& held = units[static_cast<std::size_t>(change.territory)];
    held.insert(held.end(), change.units.begin(), change.units.end());
}

// Every unit equal to one of the change's goes, the others keep their order.
void Board::Remove(const BoardChange& change) {
    if (change.territory < 0) return;
    ++removal;
    for (const tripleagame::UnitId unit : change.units) marks[unit] = removal;
    std::vector<tripleagame::UnitId>& held = units[static_cast<std::size_t>(change.territory)];
    held.erase(std::remove_if(held.begin(), held.end(),
                              [this](tripleagame::UnitId unit) { return marks[unit] == removal; }),
               held.end());
}

std::string ConverterText(const Game& game, const Tree& tree) {
    return TextWriter(game, tree).Write();
}

std::string DescribeTree(const Game& game, const Tree& tree) {
    std::string out;
    DescribeNode(game, tree, 0, 0, out);
    return out;
}

}  // namespace savedhistory
