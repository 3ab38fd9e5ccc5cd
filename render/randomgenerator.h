#pragma once

#include <cstdint>

// The renderer's own pseudo-random numbers (0 to 32767), the linear congruential sequence
// of the C runtime the original programs used, so that one seed always gives the same
// territory colours whatever else in the process draws random numbers.
class RandomGenerator {
public:
    explicit RandomGenerator(std::uint32_t seed = 1) : state(seed) {}
    void Seed(std::uint32_t seed) { state = seed; }
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }

    friend bool operator==(const RandomGenerator& a, const RandomGenerator& b) {
        return a.state == b.state;
    }

private:
    std::uint32_t state;
};
