#include "random.h"

namespace stv {
namespace {
// One generator per thread: a search seeds it before every run, so parallel searches keep their streams.
thread_local uint32_t g_state = 0;
}

int RandomDraw()
{
    g_state = g_state * 22695477u + 1u;
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

void RandomSeed(uint32_t seed)
{
    g_state = seed;
    (void)RandomDraw();
}

int RandomBelow(int n)
{
    return n > 0 ? RandomDraw() % n : 0;
}

uint32_t RandomState() { return g_state; }

}  // namespace stv
