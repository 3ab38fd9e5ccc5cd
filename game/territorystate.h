#pragma once

#include <cstdint>
#include <string>

#include "base/unknown.h"
#include "game/unitstack.h"

// One territory at one frame: its owner, production value and unit stacks.
class TerritoryState : public Unknown {
public:
    virtual void GetName(std::string& out) = 0;
    virtual void SetName(const std::string& name) = 0;
    virtual void GetOwner(std::string& out) = 0;
    virtual void SetOwner(const std::string& owner) = 0;
    virtual void GetProduction(std::string& out) = 0;
    virtual void SetProduction(const std::string& production) = 0;
    // Stores the number of unit stacks in *count (when given) and returns it.
    virtual std::int32_t GetUnitCount(std::int32_t* count) = 0;
    // The first stack, in insertion order, with exactly this type and owner.
    virtual bool FindUnit(const std::string& type, const std::string& owner, UnitStack** out) = 0;
    virtual bool GetUnit(std::int32_t index, UnitStack** out) = 0;
    // Appends the stack; a stack of the same type and owner may already be there.
    virtual void AddUnit(UnitStack* stack) = 0;
    virtual void ClearUnits() = 0;
    virtual ~TerritoryState() = default;
};

// Creates an empty territory state and hands the caller its one reference. Returns 0.
HResult CreateTerritoryState(TerritoryState** out);
