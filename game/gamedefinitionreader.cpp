#include "game/gamedefinitionreader.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <string_view>

#include "base/ref.h"
#include "game/territorystateimpl.h"
#include "game/texttable.h"
#include "game/xmldocument.h"

namespace {

// The names of the attachment list. TripleA 0.8 spells them "attatch"; later versions
// corrected the spelling, and their files are read with the corrected names when they
// have no list of the old spelling.
struct AttachmentNames {
    const char* list;
    const char* territoryAttachment;
    const char* attachTo;
};
constexpr AttachmentNames kOriginalSpelling{"attatchmentList", "territoryAttatchment", "attatchTo"};
constexpr AttachmentNames kCorrectedSpelling{"attachmentList", "territoryAttachment", "attachTo"};

const std::string& AttributeValue(const XmlNode& element, const char* name) {
    return element.Attribute(name).Value();
}

TerritoryState* FindTerritory(const HistoryFrame& frame, const std::string& name) {
    const auto found = frame.find(name);
    return found == frame.end() ? nullptr : found->second.Get();
}

// Calls action on every child element of that name, in document order.
template <class Action>
void ForEachChildNamed(const XmlNode& parent, const char* name, Action action) {
    for (std::int32_t i = 0; i < parent.ChildCount(); ++i) {
        const XmlNode& element = parent.ChildAt(i);
        if (element.Name() == name) action(element);
    }
}

// TripleA's reading of a true-or-false attribute: "true" in any letter case, with blanks
// and control characters around it ignored; anything else is false.
bool IsTrueText(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    constexpr std::string_view kTrue = "true";
    return std::equal(text.begin(), text.end(), kTrue.begin(), kTrue.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

// Every "territory" under "map" becomes a territory of frame 0; the first of a name wins,
// and an object already there from an earlier reading stays. Those marked water="true"
// are sea zones, whatever their names; there too the first of a name decides. The new
// territories share one table of texts.
void ReadTerritories(const XmlNode& map, HistoryFrame& frame, std::set<std::string>& water) {
    std::set<std::string> named;
    const Ref<TextTable> texts = MakeTextTable();
    ForEachChildNamed(map, "territory", [&](const XmlNode& element) {
        const std::string& name = AttributeValue(element, "name");
        if (!named.insert(name).second) return;
        const XmlNode* waterAttribute = element.FindAttribute("water");
        if (waterAttribute && IsTrueText(waterAttribute->Value())) water.insert(name);
        if (frame.count(name) != 0) return;
        Ref<TerritoryStateImpl> territory = MakeTerritoryState(texts);
        territory->SetName(name);
        frame.emplace(name, Ref<TerritoryState>(territory.Get()));
    });
}

void ReadOwners(const XmlNode& ownerInitialize, HistoryFrame& frame) {
    ForEachChildNamed(ownerInitialize, "territoryOwner", [&](const XmlNode& element) {
        const std::string& owner = AttributeValue(element, "owner");
        const std::string& territoryName = AttributeValue(element, "territory");
        if (TerritoryState* territory = FindTerritory(frame, territoryName)) {
            territory->SetOwner(owner);
        }
    });
}

// Every placement becomes a stack of its own; the quantity is kept as the text it is.
void ReadUnits(const XmlNode& unitInitialize, HistoryFrame& frame) {
    ForEachChildNamed(unitInitialize, "unitPlacement", [&](const XmlNode& element) {
        const std::string& unitType = AttributeValue(element, "unitType");
        const std::string& quantity = AttributeValue(element, "quantity");
        const XmlNode* owner = element.FindAttribute("owner");
        const std::string& territoryName = AttributeValue(element, "territory");
        TerritoryState* territory = FindTerritory(frame, territoryName);
        if (!territory) return;
        Ref<UnitStack> stack;
        CreateUnitStack(stack.Receive());
        stack->SetOwner(owner ? owner->Value() : std::string("Neutral"));
        stack->SetType(unitType);
        stack->SetQuantity(quantity);
        territory->AddUnit(stack.Get());
    });
}

// Production values come from the territory attachments; only an attachment's first
// "option" is looked at.
void ReadProductions(const XmlNode& list, const AttachmentNames& names, HistoryFrame& frame) {
    for (std::int32_t i = 0; i < list.ChildCount(); ++i) {
        const XmlNode& attachment = list.ChildAt(i);
        if (AttributeValue(attachment, "name") != names.territoryAttachment) continue;
        const std::string& attachTo = AttributeValue(attachment, names.attachTo);
        const XmlNode* option = attachment.FindChild("option");
        if (!option || AttributeValue(*option, "name") != "production") continue;
        const std::string& value = AttributeValue(*option, "value");
        if (TerritoryState* territory = FindTerritory(frame, attachTo)) {
            territory->SetProduction(value);
        }
    }
}

const AttachmentNames& AttachmentNamesOf(const XmlNode& game) {
    if (!game.FindChild(kOriginalSpelling.list) && game.FindChild(kCorrectedSpelling.list)) {
        return kCorrectedSpelling;
    }
    return kOriginalSpelling;
}

}  // namespace

void ReadGameDefinition(GameHistory& history, const std::string& path) {
    ClearAllUnits(history);
    if (history.frames.empty()) history.frames.emplace_back();
    HistoryFrame& frame = history.frames.front();
    history.waterTerritories.clear();
    try {
        XmlDocument document;
        document.Parse(path);
        const XmlNode& game = document.Child("game");
        ReadTerritories(game.Child("map"), frame, history.waterTerritories);
        const XmlNode& initialize = game.Child("initialize");
        ReadOwners(initialize.Child("ownerInitialize"), frame);
        ReadUnits(initialize.Child("unitInitialize"), frame);
        const AttachmentNames& names = AttachmentNamesOf(game);
        ReadProductions(game.Child(names.list), names, frame);
    } catch (const XMLException&) {
        // The reading ends where the file lacks what it needs; what was stored stays.
    }
}
