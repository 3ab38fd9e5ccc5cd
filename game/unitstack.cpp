#include "game/unitstack.h"

#include <utility>

#include "game/territorystateimpl.h"
#include "game/unitstackimpl.h"

UnitStackImpl::UnitStackImpl(Ref<TerritoryStateImpl> shown, std::int32_t index)
    : territory(std::move(shown)), index(index) {}

HResult UnitStackImpl::QueryInterface(const InterfaceId&, void**) { return kResultNotImplemented; }

std::int32_t UnitStackImpl::AddRef() {
    return refCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::int32_t UnitStackImpl::Release() {
    const std::int32_t count = refCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) {
        TerritoryStateImpl::ForgetView(this);
        delete this;
    }
    return count;
}

bool UnitStackImpl::AddRefUnlessDestroyed() {
    std::int32_t count = refCount.load(std::memory_order_relaxed);
    while (count != 0) {
        if (refCount.compare_exchange_weak(count, count + 1, std::memory_order_relaxed))
            return true;
    }
    return false;
}

Ref<TerritoryStateImpl> UnitStackImpl::StopShowing() {
    index = -1;
    return std::move(territory);
}

Ref<TerritoryStateImpl> UnitStackImpl::Detach() {
    territory->ReadStack(index, &type, &owner, &quantity);
    return StopShowing();
}

void UnitStackImpl::GetOwner(std::string& out) {
    if (territory) {
        territory->ReadStack(index, nullptr, &out, nullptr);
    } else {
        out = owner;
    }
}

void UnitStackImpl::SetOwner(const std::string& value) {
    if (territory) {
        territory->WriteStack(index, nullptr, &value, nullptr);
    } else {
        owner = value;
    }
}

void UnitStackImpl::GetType(std::string& out) {
    if (territory) {
        territory->ReadStack(index, &out, nullptr, nullptr);
    } else {
        out = type;
    }
}

void UnitStackImpl::SetType(const std::string& value) {
    if (territory) {
        territory->WriteStack(index, &value, nullptr, nullptr);
    } else {
        type = value;
    }
}

void UnitStackImpl::GetQuantity(std::string& out) {
    if (territory) {
        territory->ReadStack(index, nullptr, nullptr, &out);
    } else {
        out = quantity;
    }
}

void UnitStackImpl::SetQuantity(const std::string& value) {
    if (territory) {
        territory->WriteStack(index, nullptr, nullptr, &value);
    } else {
        quantity = value;
    }
}

HResult CreateUnitStack(UnitStack** out) {
    UnitStack* stack = new UnitStackImpl();
    stack->AddRef();
    *out = stack;
    return kResultOk;
}
