#include "game/unitstack.h"

#include "base/refcounted.h"

namespace {

class UnitStackImpl : public UnitStack {
public:
    void GetOwner(std::string& out) override { out = owner; }
    void SetOwner(const std::string& value) override { owner = value; }
    void GetType(std::string& out) override { out = type; }
    void SetType(const std::string& value) override { type = value; }
    void GetQuantity(std::string& out) override { out = quantity; }
    void SetQuantity(const std::string& value) override { quantity = value; }

private:
    std::string owner;
    std::string type;
    std::string quantity;
};

}  // namespace

HResult CreateUnitStack(UnitStack** out) {
    UnitStack* stack = new RefCounted<UnitStackImpl>();
    stack->AddRef();
    *out = stack;
    return kResultOk;
}
