#pragma once

#include <string>

#include "base/unknown.h"

// The units of one type and one owner inside a territory at one frame.
class UnitStack : public Unknown {
public:
    virtual void GetOwner(std::string& out) = 0;
    virtual void SetOwner(const std::string& owner) = 0;
    virtual void GetType(std::string& out) = 0;
    virtual void SetType(const std::string& type) = 0;
    virtual void GetQuantity(std::string& out) = 0;
    virtual void SetQuantity(const std::string& quantity) = 0;
    virtual ~UnitStack() = default;
};

// Creates an empty stack and hands the caller its one reference. Returns 0.
HResult CreateUnitStack(UnitStack** out);
