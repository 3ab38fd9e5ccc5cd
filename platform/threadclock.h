#pragma once

#include <cstdint>

// The processor time the calling thread has used so far, in microseconds: what a piece of
// work cost its thread, whatever else the machine was running meanwhile. 0 where the system
// does not tell.
std::int64_t ThreadProcessorMicroseconds();
