#include <QStringList>

#include <algorithm>

#include "demoworld.h"

namespace demo {
namespace {

// One scripted step: caption, player on move, and operations separated by ';':
//   move|from|to|type|n   the player's units go from one region to another
//   add|region|type|n     the player places new units
//   kill|region|type|owner|n
//   own|region|owner
struct ScriptStep {
    const char* caption;
    const char* player;
    const char* operations;
};

const ScriptStep kScript[] = {
    {"Round 1 - Varden Combat Move", "Varden",
     "move|Brenholm|Corrath|infantry|2;move|Aldmark|Corrath|armour|1"},
    {"Round 1 - Varden Battle", "Varden",
     "kill|Corrath|infantry|Neutral|2;kill|Corrath|infantry|Varden|1;own|Corrath|Varden"},
    {"Round 1 - Varden Place Units", "Varden", "add|Aldmark|infantry|3"},
    {"Round 1 - Osterra Combat Move", "Osterra",
     "move|Glenhaven|Kestrel Isle|infantry|1;move|Glenhaven|Kestrel Isle|armour|1"},
    {"Round 1 - Osterra Battle", "Osterra", "own|Kestrel Isle|Osterra"},
    {"Round 1 - Osterra Place Units", "Osterra", "add|Marrowfen|infantry|2;add|Marrowfen|armour|1"},
    {"Round 1 - Kelm Combat Move", "Kelm",
     "move|Lornwood|Farrowdale|armour|1;move|Lornwood|Farrowdale|fighter|1;move|Farrowdale|Corrath|"
     "infantry|2"},
    {"Round 1 - Kelm Battle", "Kelm",
     "kill|Corrath|infantry|Kelm|1;kill|Corrath|infantry|Varden|1;move|Corrath|Farrowdale|infantry|"
     "1"},
    {"Round 1 - Kelm Place Units", "Kelm", "add|Lornwood|infantry|3"},
    {"Round 2 - Varden Combat Move", "Varden",
     "move|Dunmere|Farrowdale|infantry|2;move|Aldmark|Farrowdale|armour|1;move|Aldmark|Farrowdale|"
     "fighter|1"},
    {"Round 2 - Varden Battle", "Varden",
     "kill|Farrowdale|infantry|Kelm|1;kill|Farrowdale|armour|Kelm|1;kill|Farrowdale|fighter|Kelm|1;"
     "kill|Farrowdale|infantry|Varden|1;own|Farrowdale|Varden"},
    {"Round 2 - Varden Place Units", "Varden", "add|Aldmark|infantry|2;add|Aldmark|armour|1"},
    {"Round 2 - Osterra Combat Move", "Osterra",
     "move|Istvale|Jorvik Reach|infantry|2;move|Marrowfen|Jorvik "
     "Reach|armour|2;move|Marrowfen|Jorvik Reach|fighter|1"},
    {"Round 2 - Osterra Battle", "Osterra",
     "kill|Jorvik Reach|infantry|Kelm|1;kill|Jorvik Reach|armour|Kelm|1;kill|Jorvik "
     "Reach|infantry|Osterra|1;own|Jorvik Reach|Osterra"},
    {"Round 2 - Osterra Place Units", "Osterra", "add|Marrowfen|infantry|3"},
    {"Round 2 - Kelm Combat Move", "Kelm",
     "move|Lornwood|Farrowdale|infantry|5;move|Lornwood|Farrowdale|fighter|1"},
    {"Round 2 - Kelm Battle", "Kelm",
     "kill|Farrowdale|infantry|Varden|1;kill|Farrowdale|armour|Varden|1;kill|Farrowdale|fighter|"
     "Varden|1;kill|Farrowdale|infantry|Kelm|2;own|Farrowdale|Kelm"},
    {"Round 2 - Kelm Place Units", "Kelm", "add|Lornwood|infantry|2;add|Lornwood|armour|1"},
    {"Round 3 - Varden Combat Move", "Varden",
     "move|Northwatch|Elsfjord|infantry|1;move|Aldmark|Brenholm|infantry|3"},
    {"Round 3 - Varden Battle", "Varden", "own|Elsfjord|Varden"},
    {"Round 3 - Osterra Combat Move", "Osterra",
     "move|Jorvik Reach|V\u00e9lmoor|infantry|1;move|Jorvik "
     "Reach|V\u00e9lmoor|armour|2;move|Jorvik Reach|V\u00e9lmoor|fighter|1"},
    {"Round 3 - Osterra Battle", "Osterra",
     "kill|V\u00e9lmoor|infantry|Kelm|2;kill|V\u00e9lmoor|armour|Osterra|1;own|V\u00e9lmoor|"
     "Osterra"},
    {"Round 3 - Osterra Place Units", "Osterra",
     "add|Istvale|infantry|2;add|Sea Zone 2|transport|1"},
    {"Round 3 - Kelm Combat Move", "Kelm",
     "move|Lornwood|V\u00e9lmoor|infantry|3;move|Lornwood|V\u00e9lmoor|armour|1;move|Lornwood|"
     "V\u00e9lmoor|fighter|1"},
    {"Round 3 - Kelm Battle", "Kelm",
     "kill|V\u00e9lmoor|infantry|Osterra|1;kill|V\u00e9lmoor|armour|Osterra|1;kill|V\u00e9lmoor|"
     "fighter|Osterra|1;kill|V\u00e9lmoor|infantry|Kelm|1;own|V\u00e9lmoor|Kelm"},
    {"Round 3 - Kelm Place Units", "Kelm", "add|Lornwood|infantry|3"},
    {"Round 4 - Varden Combat Move", "Varden",
     "move|Brenholm|Corrath|infantry|3;move|Corrath|Farrowdale|infantry|3;move|Corrath|Farrowdale|"
     "armour|1;move|Aldmark|Farrowdale|armour|1"},
    {"Round 4 - Varden Battle", "Varden",
     "kill|Farrowdale|infantry|Kelm|3;kill|Farrowdale|infantry|Varden|2;own|Farrowdale|Varden"},
    {"Round 4 - Osterra Combat Move", "Osterra",
     "move|Kestrel Isle|Corrath|infantry|1;move|Kestrel Isle|Corrath|armour|1"},
    {"Round 4 - Osterra Battle", "Osterra", "own|Corrath|Osterra"},
};

struct Placement {
    const char* region;
    const char* type;
    const char* owner;
    int quantity;
};

const Placement kStartUnits[] = {
    {"Aldmark", "infantry", "Varden", 4},      {"Aldmark", "armour", "Varden", 2},
    {"Aldmark", "fighter", "Varden", 1},       {"Brenholm", "infantry", "Varden", 2},
    {"Northwatch", "infantry", "Varden", 1},   {"Dunmere", "infantry", "Varden", 2},
    {"Sea Zone 5", "transport", "Varden", 1},  {"Sea Zone 5", "battleship", "Varden", 1},
    {"Marrowfen", "infantry", "Osterra", 4},   {"Marrowfen", "armour", "Osterra", 2},
    {"Marrowfen", "fighter", "Osterra", 1},    {"Glenhaven", "infantry", "Osterra", 2},
    {"Glenhaven", "armour", "Osterra", 1},     {"Harrowgate", "infantry", "Osterra", 1},
    {"Istvale", "infantry", "Osterra", 2},     {"Sea Zone 2", "battleship", "Osterra", 1},
    {"Sea Zone 2", "transport", "Osterra", 1}, {"Lornwood", "infantry", "Kelm", 4},
    {"Lornwood", "armour", "Kelm", 1},         {"Lornwood", "fighter", "Kelm", 2},
    {"Farrowdale", "infantry", "Kelm", 2},     {"V\u00e9lmoor", "infantry", "Kelm", 2},
    {"Jorvik Reach", "infantry", "Kelm", 1},   {"Jorvik Reach", "armour", "Kelm", 1},
    {"Sea Zone 8", "transport", "Kelm", 1},    {"Corrath", "infantry", "Neutral", 2},
};

const char* const kStartOwners[][2] = {
    {"Northwatch", "Varden"}, {"Aldmark", "Varden"},    {"Brenholm", "Varden"},
    {"Dunmere", "Varden"},    {"Glenhaven", "Osterra"}, {"Harrowgate", "Osterra"},
    {"Istvale", "Osterra"},   {"Marrowfen", "Osterra"}, {"Farrowdale", "Kelm"},
    {"Lornwood", "Kelm"},     {"V\u00e9lmoor", "Kelm"}, {"Jorvik Reach", "Kelm"},
};

void Add(Board& board, const QString& region, const QString& type, const QString& owner, int n) {
    std::vector<Stack>& stacks = board.units[region];
    for (Stack& stack : stacks) {
        if (stack.type == type && stack.owner == owner) {
            stack.quantity += n;
            return;
        }
    }
    stacks.push_back({type, owner, n});
}

void Remove(Board& board, const QString& region, const QString& type, const QString& owner, int n) {
    std::vector<Stack>& stacks = board.units[region];
    for (Stack& stack : stacks) {
        if (stack.type == type && stack.owner == owner)
            stack.quantity -= std::min(n, stack.quantity);
    }
    stacks.erase(std::remove_if(stacks.begin(), stacks.end(),
                                [](const Stack& s) { return s.quantity <= 0; }),
                 stacks.end());
}

void Apply(Board& board, const QString& player, const QString& operation) {
    const QStringList f = operation.split('|');
    if (f[0] == "move") {
        Remove(board, f[1], f[3], player, f[4].toInt());
        Add(board, f[2], f[3], player, f[4].toInt());
    } else if (f[0] == "add") {
        Add(board, f[1], f[2], player, f[3].toInt());
    } else if (f[0] == "kill") {
        Remove(board, f[1], f[2], f[3], f[4].toInt());
    } else if (f[0] == "own") {
        board.owners[f[1]] = f[2];
    }
}

}  // namespace

std::vector<Step> MakeHistory() {
    Step start;
    start.caption = "Round 1 - Game Start";
    start.player = "Neutral";
    for (const auto& owner : kStartOwners)
        start.board.owners[QString::fromUtf8(owner[0])] = owner[1];
    for (const Placement& p : kStartUnits) {
        Add(start.board, QString::fromUtf8(p.region), p.type, p.owner, p.quantity);
    }
    std::vector<Step> steps{start};
    for (const ScriptStep& script : kScript) {
        Step step{QString::fromUtf8(script.caption), script.player, steps.back().board};
        for (const QString& operation : QString::fromUtf8(script.operations).split(';')) {
            Apply(step.board, step.player, operation);
        }
        steps.push_back(step);
    }
    return steps;
}

}  // namespace demo
