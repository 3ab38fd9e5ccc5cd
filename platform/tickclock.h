#pragma once

#include <cstdint>
#include <functional>

// A millisecond tick count that wraps at 32 bits, as the animation expects.
using TickClock = std::function<std::uint32_t()>;

// Milliseconds of the system's steady clock reduced to 32 bits.
std::uint32_t SteadyTickCount();
