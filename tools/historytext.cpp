#include "historytext.h"

#include <string>

namespace {

const char* const kPlayers[] = {"Germans", "Russians", "British", "Japanese", "Americans"};
constexpr std::int64_t kPlayerCount = sizeof kPlayers / sizeof kPlayers[0];
const char* const kUnitTypes[] = {"infantry", "armour",    "fighter",
                                  "bomber",   "transport", "battleship"};
constexpr std::int64_t kUnitTypeCount = sizeof kUnitTypes / sizeof kUnitTypes[0];

const char* Player(std::int64_t index) { return kPlayers[index % kPlayerCount]; }

std::string UnitType(std::int64_t stack) {
    return stack < kUnitTypeCount ? kUnitTypes[stack] : "unit" + std::to_string(stack + 1);
}

}  // namespace

void WriteHistoryText(std::ostream& out, const HistoryShape& shape) {
    out << "TrevoConvert\n";
    for (std::int64_t frame = 0; frame < shape.frames; ++frame) {
        const char* player = Player(frame);
        out << "Step: Frame " << frame << ": " << player << " combat move\n"
            << "Round: " << frame / kPlayerCount + 1 << "\n"
            << "Player:" << player << "\n"
            << "Phase: combat move\n"
            << "Territories: " << shape.territories << "\n"
            << "Stacks: " << shape.stacks << "\n";
        for (std::int64_t territory = 0; territory < shape.territories; ++territory) {
            const char* owner = Player(frame + territory);
            out << "Territory " << territory + 1 << "\n"
                << "Owner:" << owner << "\n";
            for (std::int64_t stack = 0; stack < shape.stacks; ++stack) {
                const std::string type = UnitType(stack);
                for (std::int64_t unit = 0; unit < shape.unitsPerStack; ++unit) {
                    out << type << "\n" << owner << "\n";
                }
            }
            out << "End Territory\n";
        }
        out << "End Frame\n";
    }
}

std::int64_t HistoryTextLineCount(const HistoryShape& shape) {
    const std::int64_t territoryLines = 3 + 2 * shape.stacks * shape.unitsPerStack;
    return 1 + shape.frames * (7 + shape.territories * territoryLines);
}
