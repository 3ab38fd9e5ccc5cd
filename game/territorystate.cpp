#include "game/territorystate.h"

#include <vector>

#include "base/ref.h"
#include "base/refcounted.h"

namespace {

class TerritoryStateImpl : public TerritoryState {
public:
    void GetName(std::string& out) override { out = name; }
    void SetName(const std::string& value) override { name = value; }
    void GetOwner(std::string& out) override { out = owner; }
    void SetOwner(const std::string& value) override { owner = value; }
    void GetProduction(std::string& out) override { out = production; }
    void SetProduction(const std::string& value) override { production = value; }

    std::int32_t GetUnitCount(std::int32_t* count) override {
        const auto size = static_cast<std::int32_t>(unitStacks.size());
        if (count) *count = size;
        return size;
    }

    bool FindUnit(const std::string& type, const std::string& owner_, UnitStack** out) override {
        std::string stackType;
        std::string stackOwner;
        for (const Ref<UnitStack>& stack : unitStacks) {
            stack->GetType(stackType);
            stack->GetOwner(stackOwner);
            if (stackType == type && stackOwner == owner_) {
                stack.CopyTo(out);
                return true;
            }
        }
        return false;
    }

    bool GetUnit(std::int32_t index, UnitStack** out) override {
        if (index < 0 || static_cast<std::size_t>(index) >= unitStacks.size()) return false;
        unitStacks[static_cast<std::size_t>(index)].CopyTo(out);
        return true;
    }

    void AddUnit(UnitStack* stack) override { unitStacks.emplace_back(stack); }
    void ClearUnits() override { unitStacks.clear(); }

private:
    std::vector<Ref<UnitStack>> unitStacks;
    std::string owner;
    std::string name;
    std::string production;
};

}  // namespace

HResult CreateTerritoryState(TerritoryState** out) {
    TerritoryState* state = new RefCounted<TerritoryStateImpl>();
    state->AddRef();
    *out = state;
    return kResultOk;
}
