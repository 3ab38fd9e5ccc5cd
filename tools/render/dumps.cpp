#include "dumps.h"

#include <cstdio>
#include <string>

namespace {

template <class... Fields>
void Line(std::ostream& out, const Fields&... fields) {
    bool first = true;
    ((out << (first ? "" : "\t") << fields, first = false), ...);
    out << '\n';
}

std::string Text(const std::vector<std::string>& texts, std::size_t index) {
    return index < texts.size() ? texts[index] : std::string();
}

std::string Hex(std::uint32_t colour) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", colour);
    return text;
}

void DumpTerritory(TerritoryState& territory, std::ostream& out) {
    std::string name, owner, production;
    territory.GetName(name);
    territory.GetOwner(owner);
    territory.GetProduction(production);
    Line(out, "territory", name, owner, production);
    const std::int32_t count = territory.GetUnitCount(nullptr);
    for (std::int32_t i = 0; i < count; ++i) {
        Ref<UnitStack> stack;
        if (!territory.GetUnit(i, stack.Receive())) continue;
        std::string type, stackOwner, quantity;
        stack->GetType(type);
        stack->GetOwner(stackOwner);
        stack->GetQuantity(quantity);
        Line(out, "unit", type, stackOwner, quantity);
    }
}

}  // namespace

void DumpHistory(const GameHistory& history, std::ostream& out) {
    Line(out, "frames", history.frames.size());
    for (std::size_t i = 0; i < history.frames.size(); ++i) {
        Line(out, "frame", i, Text(history.captions, i), Text(history.players, i));
        for (const auto& entry : history.frames[i]) DumpTerritory(*entry.second, out);
    }
}

void DumpMap(const MapData& mapData, bool loaded, std::ostream& out) {
    int tiles = 0;
    for (const Ref<Tile>& tile : mapData.tiles) tiles += tile ? 1 : 0;
    Line(out, "map", loaded ? 1 : 0, mapData.mapWidth, mapData.mapHeight, mapData.columns,
         mapData.rows, tiles, mapData.reliefLoaded ? 1 : 0);
    for (const auto& [player, colour] : mapData.PlayerColours)
        Line(out, "colour", player, Hex(colour));
    for (const auto& [name, territory] : mapData.territories) {
        Line(out, "territory", name, territory.isSea ? 1 : 0, territory.polygons.size(),
             territory.points.size(), territory.placements.size(), territory.isCapital ? 1 : 0,
             territory.capital.x, territory.capital.y);
    }
}
