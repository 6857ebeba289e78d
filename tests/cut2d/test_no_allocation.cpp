// Decoding a genome must not allocate: every array of an individual is sized once per search.
#include <gtest/gtest.h>

#include "allocation_counter.h"
#include "decode_fixture.h"

TEST(Decoder, DecodingAllocatesNothing)
{
    const decode_fixture f(5);
    const std::vector<part2d>& pieces = f.pieces;
    const sheet_geometry& g = f.sheet;
    const decode_input& input = f.input;
    Cut2DXChromosomeGuillotine ind;
    ind.Size(static_cast<int32_t>(pieces.size()), input.bound, input.group_count());
    for (size_t i = 0; i < pieces.size(); ++i) ind.order[i] = static_cast<int32_t>(i);
    ind.RecomputeRuns(pieces);

    alloc_count::allocations = 0;
    alloc_count::counting = true;
    int32_t placed = 0;
    for (int round = 0; round < 40; ++round) {
        ind.variant = round % 2;
        ind.turn[static_cast<size_t>(round % 120)] ^= 1;
        ind.direction[static_cast<size_t>((round * 7) % 120)] ^= 1;
        ind.RecomputeRuns(pieces);
        DecodeGuillotine(ind, input, g);
        placed += ind.piece_count;
    }
    alloc_count::counting = false;
    EXPECT_EQ(alloc_count::allocations, 0);
    EXPECT_GT(placed, 0);
}
