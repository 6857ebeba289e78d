#pragma once
// The process-wide 32-bit linear congruential generator shared by the optimisers.
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
