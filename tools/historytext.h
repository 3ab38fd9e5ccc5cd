#pragma once

#include <cstdint>
#include <ostream>

// The size of a generated converter text: frames × territories per frame × unit stacks per
// territory, each stack written as unitsPerStack unit line pairs.
struct HistoryShape {
    std::int64_t frames = 2000;
    std::int64_t territories = 150;
    std::int64_t stacks = 6;
    std::int64_t unitsPerStack = 1;
};

// Writes a well-formed converter text of that shape: the "TrevoConvert" line, then per
// frame its six frame lines, a block per territory ("Territory 1" and up) and "End Frame".
// Owners rotate among five players from frame to frame; the stacks of a territory have
// different unit types, so each stays a stack of its own with unitsPerStack units.
void WriteHistoryText(std::ostream& out, const HistoryShape& shape);

// The number of lines WriteHistoryText writes for the shape.
std::int64_t HistoryTextLineCount(const HistoryShape& shape);
