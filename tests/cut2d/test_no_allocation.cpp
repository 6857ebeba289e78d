// Decoding a genome must not allocate: every array of an individual is sized once per search.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>

#include "cut2d/guillotine_decoder.h"

namespace {
bool g_counting = false;
long g_allocations = 0;
}  // namespace

void* operator new(std::size_t size)
{
    if (g_counting) ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

TEST(Decoder, DecodingAllocatesNothing)
{
    std::mt19937 rng(5);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<part2d> pieces;
    for (int i = 0; i < 120; ++i) {
        part2d p;
        p.length = in(50, 700);
        p.width = in(40, 500);
        p.may_rotate = 1;
        p.index = i;
        p.priority = i < 60 ? 0 : 1;
        pieces.push_back(p);
    }
    sheet_geometry g;
    g.length = 2800;
    g.width = 2070;
    g.kerf = 4;
    g.trim_xL = 10;
    g.trim_yW = 10;
    g.max_cut = 2800;
    decode_input input;
    input.Build(pieces, static_cast<int32_t>(pieces.size()));
    Cut2DXChromosomeGuillotine ind;
    ind.Size(static_cast<int32_t>(pieces.size()), input.bound, input.group_count());
    for (size_t i = 0; i < pieces.size(); ++i) ind.order[i] = static_cast<int32_t>(i);
    ind.RecomputeRuns(pieces);

    g_allocations = 0;
    g_counting = true;
    int32_t placed = 0;
    for (int round = 0; round < 40; ++round) {
        ind.variant = round % 2;
        ind.turn[static_cast<size_t>(round % 120)] ^= 1;
        ind.direction[static_cast<size_t>((round * 7) % 120)] ^= 1;
        ind.RecomputeRuns(pieces);
        DecodeGuillotine(ind, input, g);
        placed += ind.piece_count;
    }
    g_counting = false;
    EXPECT_EQ(g_allocations, 0);
    EXPECT_GT(placed, 0);
}
