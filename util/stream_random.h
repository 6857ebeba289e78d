#pragma once
// A portable generator owned by one task: its draws depend on its seed alone, whichever thread runs it.
#include <cstdint>

namespace stv {

// SplitMix64; a task seeds it from the run's seed and its own number, so tasks run side by side stay
// reproducible.
struct stream_random {
    uint64_t state;
    explicit stream_random(uint64_t seed) : state(seed) {}
    uint32_t Next()
    {
        state += 0x9E3779B97F4A7C15ull;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
    }
    // A draw from 0 to n - 1; 0 for n <= 0.
    int32_t Below(int32_t n) { return n > 0 ? static_cast<int32_t>(Next() % static_cast<uint32_t>(n)) : 0; }
    bool Chance(uint32_t percent) { return Next() % 100u < percent; }
};

}  // namespace stv
