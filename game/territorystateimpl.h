#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/ref.h"
#include "game/territorystate.h"
#include "game/texttable.h"

class UnitStackImpl;

// A territory at one frame. A history holds hundreds of thousands of them, so they keep
// their texts as numbers in a text table shared by the territories of one reading, and
// their unit stacks as compact records rather than objects. A stack is handed out as a view
// of its record (UnitStackImpl); a stack object given to AddUnit is held as it is.
class TerritoryStateImpl : public TerritoryState {
public:
    // Texts go into the given table, or into one of the territory's own made when the
    // first text is set.
    explicit TerritoryStateImpl(Ref<TextTable> table = Ref<TextTable>());

    void GetName(std::string& out) override;
    void SetName(const std::string& value) override;
    void GetOwner(std::string& out) override;
    void SetOwner(const std::string& value) override;
    void GetProduction(std::string& out) override;
    void SetProduction(const std::string& value) override;
    std::int32_t GetUnitCount(std::int32_t* count) override;
    bool FindUnit(const std::string& type, const std::string& owner, UnitStack** out) override;
    bool GetUnit(std::int32_t index, UnitStack** out) override;
    void AddUnit(UnitStack* stack) override;
    void ClearUnits() override;

    // For the readers, which work with the numbers of texts in Texts().
    TextTable& Texts();
    void AssignOwner(std::string_view value);
    void CopyProductionFrom(TerritoryState& other);
    // The index of the first stack of this type and owner, or -1.
    std::int32_t FindStack(TextTable::Id type, TextTable::Id owner);
    // Appends a stack of one unit and returns its index.
    std::int32_t AppendStack(TextTable::Id type, TextTable::Id owner);
    // Counts one more unit in the stack at index.
    void AddOneUnit(std::int32_t index);
    // The type and owner of the stack at index as numbers in Texts().
    void StackKey(std::int32_t index, TextTable::Id& type, TextTable::Id& owner);
    // Gives back the room reserved for stacks not added.
    void FitStacks();

    // For the views of the stacks: the texts of the stack at index (which is a record).
    void ReadStack(std::int32_t index, std::string* type, std::string* owner,
                   std::string* quantity);
    void WriteStack(std::int32_t index, const std::string* type, const std::string* owner,
                    const std::string* quantity);

    // The lock of the live views of stacks, and the views by territory. Taken to hand a view
    // out, to detach the views of a territory and to forget a view that is destroyed.
    static std::mutex& ViewLock();
    static void ForgetView(UnitStackImpl* view);

private:
    // A stack: its type, owner and quantity, or, when type is kHeldStack, the stack object
    // held[owner].
    struct StackRecord {
        TextTable::Id type;
        TextTable::Id owner;
        std::uint32_t quantity;
    };
    static constexpr TextTable::Id kHeldStack = ~TextTable::Id{0};
    using LiveViews = std::unordered_multimap<const TerritoryStateImpl*, UnitStackImpl*>;
    static LiveViews& Views();

    std::string_view TextOf(TextTable::Id id) const;
    std::uint32_t QuantityOf(std::string_view text);
    void QuantityText(std::uint32_t quantity, std::string& out) const;
    void HandOut(std::int32_t index, UnitStack** out);
    void Hold(Ref<UnitStack> stack);
    static void MakeStandalone(UnitStackImpl& view);

    std::vector<StackRecord> stacks;
    Ref<TextTable> texts;
    std::unique_ptr<std::vector<Ref<UnitStack>>> held;
    TextTable::Id name = TextTable::kEmpty;
    TextTable::Id owner = TextTable::kEmpty;
    TextTable::Id production = TextTable::kEmpty;
};

// A territory whose texts go into the given table.
Ref<TerritoryStateImpl> MakeTerritoryState(Ref<TextTable> table);

// Adds one to a quantity as the readers count units: its leading integer plus one (kept at
// the largest 32-bit value), as decimal text.
void CountOneMore(std::string& quantity);
