#pragma once
// The 32-bit linear congruential generator of the optimisers, one state per thread.
#include <cstdint>

namespace stv {

// state = state * 22695477 + 1 (mod 2^32); seeding sets the state and discards one draw.
void RandomSeed(uint32_t seed);
// A value from 0 to 32767.
int RandomDraw();
// A draw modulo n (n > 0); 0 for n <= 0.
int RandomBelow(int n);
uint32_t RandomState();

}  // namespace stv
