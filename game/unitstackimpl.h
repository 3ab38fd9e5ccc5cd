#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "base/ref.h"
#include "game/unitstack.h"

class TerritoryStateImpl;

// A unit stack. Made by CreateUnitStack it holds its own texts. Handed out by a territory
// that stores its stacks in compact form, it is a view of one of them: it reads and writes
// that territory's storage until the territory drops its stacks, and then keeps the values
// it showed, as a stack object of its own would.
class UnitStackImpl final : public UnitStack {
public:
    UnitStackImpl() = default;
    // A view of the territory's stack at index; the view holds a reference to it.
    UnitStackImpl(Ref<TerritoryStateImpl> shown, std::int32_t index);

    HResult QueryInterface(const InterfaceId& id, void** out) override;
    std::int32_t AddRef() override;
    std::int32_t Release() override;
    // Adds a reference unless the count has already reached zero, when the stack is being
    // destroyed and must not be handed out again.
    bool AddRefUnlessDestroyed();

    void GetOwner(std::string& out) override;
    void SetOwner(const std::string& value) override;
    void GetType(std::string& out) override;
    void SetType(const std::string& value) override;
    void GetQuantity(std::string& out) override;
    void SetQuantity(const std::string& value) override;

    // The territory whose stack the view shows and the stack's index; these and Detach are
    // used with the lock of the live views held (see TerritoryStateImpl).
    TerritoryStateImpl* Shown() const { return territory.Get(); }
    std::int32_t Index() const { return index; }
    // Stops showing the territory's stack and hands back the reference to the territory,
    // for the caller to drop once the lock is released. Detach first takes over the values
    // of the stack shown.
    Ref<TerritoryStateImpl> StopShowing();
    Ref<TerritoryStateImpl> Detach();

private:
    ~UnitStackImpl() override = default;

    std::atomic<std::int32_t> refCount{0};
    Ref<TerritoryStateImpl> territory;
    std::int32_t index = -1;
    std::string owner;
    std::string type;
    std::string quantity;
};
