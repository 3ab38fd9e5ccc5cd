#include "savegame/tripleagame.h"

#include <initializer_list>
#include <unordered_map>

namespace tripleagame {

namespace {

using javastream::Graph;
using javastream::ObjectKind;
using javastream::Value;
using javastream::ValueKind;

const char* const kNobodyName = "Neutral";
// Deep enough for any id TripleA writes (a GUID holds a VMID holding a UID).
constexpr int kMaxKeyDepth = 6;
// Composite changes nested deeper than this are taken for a loop.
constexpr int kMaxChangeDepth = 200;
// Collections wrapped in collections deeper than this are taken for a loop.
constexpr int kMaxWrapping = 8;
// An id's bytes beyond this are not looked at: ids are small, anything else is damage.
constexpr std::size_t kMaxKeyBytes = 4096;

struct Fault {
    Problem problem;
    std::string message;
};

class GameReader {
public:
    GameReader(const Graph& source, Game& target) : graph(source), game(target) {}

    void Read() {
        if (graph.roots.size() < 2) throw Fault{Problem::kNotASave, "it holds no game"};
        ReadVersion(graph.roots[0]);
        const Value& data = graph.roots[1];
        if (graph.ClassName(data) != "games.strategy.engine.data.GameData")
            throw Fault{Problem::kNotASave, "its second object is no TripleA game"};
        game.names.assign(1, kNobodyName);
        ReadPlayers(Require(data, {"playerList", "m_playerList"}));
        ReadRound(data);
        ReadTerritories(Require(Require(data, {"map", "m_map"}), {"territories", "m_territories"}));
        ReadHistory(Require(data, {"gameHistory", "m_gameHistory", "history"}));
    }

private:
    [[noreturn]] void Unsupported(const std::string& what) const {
        throw Fault{Problem::kUnsupported, "it was saved by TripleA " + game.engineVersion +
                                               ", whose " + what + " Quelm does not know"};
    }

    const Value* Find(const Value& object, std::initializer_list<const char*> names) const {
        for (const char* name : names) {
            if (const Value* value = graph.Field(object, name)) return value;
        }
        return nullptr;
    }

    const Value& Require(const Value& object, std::initializer_list<const char*> names) const {
        const Value* value = Find(object, names);
        if (!value)
            Unsupported("class " + std::string(graph.ClassName(object)) + " without field " +
                        *names.begin());
        return *value;
    }

    std::string Text(const Value& object, std::initializer_list<const char*> names) const {
        const Value* value = Find(object, names);
        return value ? graph.Text(*value) : std::string();
    }

    std::int64_t Integer(const Value& object, std::initializer_list<const char*> names) const {
        const Value* value = Find(object, names);
        return value && value->kind == ValueKind::kInteger ? value->integer : 0;
    }

    void ReadVersion(const Value& version) {
        const std::string_view name = graph.ClassName(version);
        if (name == "org.triplea.util.Version") {
            game.newHistoryRules = true;
        } else if (name != "games.strategy.util.Version") {
            throw Fault{Problem::kNotASave, "its first object is no TripleA version"};
        }
        game.engineVersion = std::to_string(Integer(version, {"major", "m_major"})) + "." +
                             std::to_string(Integer(version, {"minor", "m_minor"})) + "." +
                             std::to_string(Integer(version, {"point", "m_point"}));
        if (!game.newHistoryRules)
            game.engineVersion += "." + std::to_string(Integer(version, {"m_micro", "micro"}));
    }

    // --- collections of the Java library, as their writeObject lays them out

    std::vector<Value> ListElements(const Value& list, int wrapping = 0) const {
        std::vector<Value> elements;
        const javastream::Object* object = graph.ObjectOf(list);
        if (!object) return elements;
        if (object->kind == ObjectKind::kArray) {
            elements.assign(graph.values.begin() + object->firstValue,
                            graph.values.begin() + object->firstValue + object->valueCount);
            return elements;
        }
        const std::string_view name = graph.ClassName(list);
        if (name == "java.util.ArrayList" || name == "java.util.LinkedList" ||
            name == "java.util.ArrayDeque" || name == "java.util.HashSet" ||
            name == "java.util.LinkedHashSet" || name == "java.util.CollSer") {
            for (const Value* item = graph.AnnotationsBegin(*object);
                 item != graph.AnnotationsEnd(*object); ++item) {
                if (item->kind != ValueKind::kBlock) elements.push_back(*item);
            }
            return elements;
        }
        if (name == "java.util.Collections$EmptyList" || name == "java.util.Collections$EmptySet")
            return elements;
        if (name == "java.util.Collections$SingletonList" ||
            name == "java.util.Collections$SingletonSet") {
            elements.push_back(Require(list, {"element"}));
            return elements;
        }
        if (const Value* inner = Find(list, {"c", "list", "a", "elements"})) {
            if (name.rfind("java.util.Collections$", 0) == 0 ||
                name == "java.util.Arrays$ArrayList" ||
                name.find("Immutable") != std::string_view::npos)
                return ListElements(*inner, Unwrapped(wrapping));
        }
        Unsupported("list class " + std::string(name));
    }

    int Unwrapped(int wrapping) const {
        if (wrapping >= kMaxWrapping) throw Fault{Problem::kDamaged, "a collection holds itself"};
        return wrapping + 1;
    }

    std::vector<std::pair<Value, Value>> MapEntries(const Value& map, int wrapping = 0) const {
        std::vector<std::pair<Value, Value>> entries;
        const javastream::Object* object = graph.ObjectOf(map);
        if (!object) return entries;
        const std::string_view name = graph.ClassName(map);
        if (name == "java.util.HashMap" || name == "java.util.LinkedHashMap" ||
            name == "java.util.Hashtable" || name == "java.util.TreeMap" ||
            name == "java.util.CollSer") {
            std::vector<Value> items;
            for (const Value* item = graph.AnnotationsBegin(*object);
                 item != graph.AnnotationsEnd(*object); ++item) {
                if (item->kind != ValueKind::kBlock) items.push_back(*item);
            }
            for (std::size_t i = 0; i + 1 < items.size(); i += 2)
                entries.emplace_back(items[i], items[i + 1]);
            return entries;
        }
        if (name == "java.util.Collections$EmptyMap") return entries;
        if (name.rfind("java.util.Collections$Unmodifiable", 0) == 0)
            return MapEntries(Require(map, {"m"}), Unwrapped(wrapping));
        Unsupported("map class " + std::string(name));
    }

    // --- players, territories and units

    // TripleA's null player is an anonymous subclass of its player class.
    bool IsNullPlayer(const Value& player) const {
        return !player.IsObject() || graph.ClassName(player).find('$') != std::string_view::npos;
    }

    NameId Intern(const std::string& text) {
        const auto found = nameIds.find(text);
        if (found != nameIds.end()) return found->second;
        game.names.push_back(text);
        const auto id = static_cast<NameId>(game.names.size() - 1);
        nameIds.emplace(text, id);
        return id;
    }

    // The owner a name gives, as TripleA looks players up: a name of no player is nobody.
    NameId OwnerByName(const Value& name) {
        if (!graph.IsString(name)) return kNobody;
        const auto found = playerIds.find(graph.Text(name));
        return found == playerIds.end() ? kNobody : found->second;
    }

    NameId OwnerOf(const Value& player) {
        if (IsNullPlayer(player)) return kNobody;
        return Intern(Text(player, {"name", "m_name"}));
    }

    void ReadPlayers(const Value& playerList) {
        nameIds.emplace(kNobodyName, kNobody);
        playerIds.emplace(kNobodyName, kNobody);
        for (const auto& [name, player] :
             MapEntries(Require(playerList, {"players", "m_players"}))) {
            if (graph.IsString(name) && !IsNullPlayer(player))
                playerIds.emplace(graph.Text(name), Intern(graph.Text(name)));
        }
    }

    void ReadRound(const Value& data) {
        if (const Value* sequence = Find(data, {"sequence", "m_sequence"}))
            game.currentRound = static_cast<std::int32_t>(Integer(*sequence, {"round", "m_round"}));
    }

    void ReadTerritories(const Value& list) {
        for (const Value& element : ListElements(list)) {
            Territory territory;
            territory.name = Text(element, {"name", "m_name"});
            territory.owner = OwnerOf(Require(element, {"owner", "m_owner"}));
            const Value& collection = Require(element, {"unitCollection", "m_units", "units"});
            for (const Value& unit : ListElements(Require(collection, {"units", "m_units"})))
                territory.units.push_back(UnitOf(unit));
            territoryIds.emplace(territory.name,
                                 static_cast<std::int32_t>(game.territories.size()));
            game.territories.push_back(std::move(territory));
        }
    }

    // A unit is known by its id, as TripleA compares units: the same id is the same unit.
    UnitId UnitOf(const Value& unit) {
        if (!unit.IsObject()) throw Fault{Problem::kDamaged, "a unit is missing"};
        const auto known = unitsByObject.find(unit.object);
        if (known != unitsByObject.end()) return known->second;
        const std::string key = IdentityKey(Require(unit, {"id", "m_uid", "uid"}));
        auto [found, added] = unitsByKey.emplace(key, static_cast<UnitId>(game.units.size()));
        if (added) {
            Unit record;
            record.type = Intern(Text(Require(unit, {"type", "m_type"}), {"name", "m_name"}));
            record.owner = OwnerOf(Require(unit, {"owner", "m_owner"}));
            game.units.push_back(record);
        }
        unitsByObject.emplace(unit.object, found->second);
        return found->second;
    }

    // The value of an id as bytes: equal ids, equal keys.
    std::string IdentityKey(const Value& id) const {
        std::string key;
        AppendKey(key, id, 0);
        return key;
    }

    void AppendKey(std::string& key, const Value& value, int depth) const {
        if (depth > kMaxKeyDepth || key.size() > kMaxKeyBytes) return;
        switch (value.kind) {
            case ValueKind::kNull:
                key += 'n';
                return;
            case ValueKind::kInteger:
            case ValueKind::kReal:
                key.append(reinterpret_cast<const char*>(&value.integer), sizeof value.integer);
                return;
            case ValueKind::kBlock:
                key += graph.Block(value);
                return;
            case ValueKind::kObject:
                break;
        }
        const javastream::Object& object = graph.objects[value.object];
        key += graph.ClassName(value);
        key += object.text;
        for (std::uint32_t i = 0; i < object.valueCount; ++i)
            AppendKey(key, graph.values[object.firstValue + i], depth + 1);
        for (const Value* item = graph.AnnotationsBegin(object);
             item != graph.AnnotationsEnd(object); ++item)
            AppendKey(key, *item, depth + 1);
    }

    std::int32_t TerritoryNamed(const std::string& name) const {
        const auto found = territoryIds.find(name);
        return found == territoryIds.end() ? -1 : found->second;
    }

    // --- the history

    void ReadHistory(const Value& history) {
        if (graph.SimpleClassName(history) != "SerializedHistory")
            Unsupported("history class " + std::string(graph.ClassName(history)));
        game.changeStarts.push_back(0);
        for (const Value& writer : ListElements(Require(history, {"writers", "m_Writers"})))
            ReadEntry(writer);
        ResolvePendingIds();
    }

    void ReadEntry(const Value& writer) {
        const std::string_view kind = graph.SimpleClassName(writer);
        HistoryEntry entry;
        if (kind == "ChangeSerializationWriter") {
            ReadChange(Require(writer, {"change", "aChange"}), 0);
            game.changeStarts.push_back(static_cast<std::uint32_t>(game.boardChanges.size()));
            entry.kind = HistoryEntry::Kind::kChange;
        } else if (kind == "RoundHistorySerializer") {
            entry.kind = HistoryEntry::Kind::kRound;
            entry.round = static_cast<std::int32_t>(Integer(writer, {"roundNo", "m_roundNo"}));
        } else if (kind == "StepHistorySerializer") {
            ReadStep(writer, entry);
        } else if (kind == "EventHistorySerializer") {
            entry.kind = HistoryEntry::Kind::kEvent;
            entry.title = Text(writer, {"eventName", "m_eventName"});
        } else if (kind == "EventChildWriter") {
            entry.kind = HistoryEntry::Kind::kEventChild;
            entry.title = Text(writer, {"text", "m_text"});
        } else {
            Unsupported("history entry " + std::string(graph.ClassName(writer)));
        }
        game.entries.push_back(std::move(entry));
    }

    void ReadStep(const Value& writer, HistoryEntry& entry) {
        entry.kind = HistoryEntry::Kind::kStep;
        entry.stepName = Text(writer, {"stepName", "m_stepName"});
        entry.delegateName = Text(writer, {"delegateName", "m_delegateName"});
        const Value* title = Find(writer, {"displayName", "m_displayName"});
        entry.titleIsNull = !title || !graph.IsString(*title);
        if (title) entry.title = graph.Text(*title);
        const Value* player = Find(writer, {"gamePlayer", "playerId", "playerID", "m_playerID"});
        entry.hasPlayer = player && !IsNullPlayer(*player);
        if (entry.hasPlayer) entry.player = Text(*player, {"name", "m_name"});
    }

    void ReadChange(const Value& change, int depth) {
        if (depth > kMaxChangeDepth) throw Fault{Problem::kDamaged, "its changes nest in a loop"};
        const std::string_view kind = graph.SimpleClassName(change);
        if (kind == "CompositeChange") {
            for (const Value& part : ListElements(Require(change, {"changes", "m_changes"})))
                ReadChange(part, depth + 1);
        } else if (kind == "AddUnits" || kind == "RemoveUnits") {
            ReadUnitsChange(change, kind == "AddUnits");
        } else if (kind == "OwnerChange") {
            ReadOwnerChange(change);
        } else if (kind == "PlayerOwnerChange") {
            ReadUnitOwnerChange(change);
        }
    }

    void ReadOwnerChange(const Value& change) {
        BoardChange record;
        record.kind = BoardChange::Kind::kOwnerChange;
        record.territory = TerritoryNamed(Text(change, {"territoryName", "m_territory"}));
        record.oldOwner = OwnerByName(Require(change, {"oldOwnerName", "m_old"}));
        record.newOwner = OwnerByName(Require(change, {"newOwnerName", "m_new"}));
        game.boardChanges.push_back(std::move(record));
    }

    // Units that change hands in a territory, by their ids.
    void ReadUnitOwnerChange(const Value& change) {
        BoardChange record;
        record.kind = BoardChange::Kind::kUnitOwnerChange;
        record.territory = TerritoryNamed(Text(change, {"territoryName", "m_location"}));
        record.owners = OwnersById(Require(change, {"newOwnerNamesByUnitId", "m_new"}));
        record.oldOwners = OwnersById(Require(change, {"oldOwnerNamesByUnitId", "m_old"}));
        game.boardChanges.push_back(std::move(record));
    }

    void ReadUnitsChange(const Value& change, bool adds) {
        BoardChange record;
        record.kind = adds ? BoardChange::Kind::kAddUnits : BoardChange::Kind::kRemoveUnits;
        if (Text(change, {"type", "m_type"}) == "T")
            record.territory = TerritoryNamed(Text(change, {"name", "m_name"}));
        for (const Value& unit : ListElements(Require(change, {"units", "m_units"})))
            record.units.push_back(UnitOf(unit));
        if (const Value* owners = Find(change, {"unitOwnerMap"}))
            record.owners = OwnersById(*owners);
        game.boardChanges.push_back(std::move(record));
    }

    // A map of unit ids to owner names. The ids are looked up once the whole history is
    // read, since a unit may first appear in a later change.
    std::vector<std::pair<UnitId, NameId>> OwnersById(const Value& map) {
        std::vector<std::pair<UnitId, NameId>> owners;
        for (const auto& [id, owner] : MapEntries(map)) {
            if (!graph.IsString(owner)) continue;
            pendingIds.push_back(IdentityKey(id));
            owners.emplace_back(static_cast<UnitId>(pendingIds.size() - 1), OwnerByName(owner));
        }
        return owners;
    }

    // Turns the ids that OwnersById left pending into units; ids of no known unit go.
    void ResolvePendingIds() {
        for (BoardChange& change : game.boardChanges) {
            ResolvePendingIds(change.owners);
            ResolvePendingIds(change.oldOwners);
        }
        pendingIds.clear();
    }

    void ResolvePendingIds(std::vector<std::pair<UnitId, NameId>>& owners) const {
        std::size_t kept = 0;
        for (const auto& [pending, owner] : owners) {
            const auto unit = unitsByKey.find(pendingIds[pending]);
            if (unit != unitsByKey.end()) owners[kept++] = {unit->second, owner};
        }
        owners.resize(kept);
    }

    const Graph& graph;
    Game& game;
    std::unordered_map<std::string, NameId> nameIds;
    std::unordered_map<std::string, NameId> playerIds;
    std::unordered_map<std::string, std::int32_t> territoryIds;
    std::unordered_map<std::uint32_t, UnitId> unitsByObject;
    std::unordered_map<std::string, UnitId> unitsByKey;
    std::vector<std::string> pendingIds;
};

}  // namespace

const std::vector<std::string>& ClassesWithoutDefaultFields() {
    static const std::vector<std::string> classes = {
        "games.strategy.engine.data.GameDataComponent",
        "games.strategy.engine.data.DelegateList",
    };
    return classes;
}

bool ReadGame(const javastream::Graph& graph, Game& game, ReadError& error) {
    try {
        GameReader(graph, game).Read();
        return true;
    } catch (const Fault& fault) {
        error.problem = fault.problem;
        error.message = fault.message;
        return false;
    }
}

}  // namespace tripleagame
