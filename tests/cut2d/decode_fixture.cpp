#include "decode_fixture.h"

#include <random>

decode_fixture::decode_fixture(uint32_t seed)
{
    std::mt19937 rng(seed);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int i = 0; i < 120; ++i) {
        part2d p;
        p.length = in(50, 700);
        p.width = in(40, 500);
        p.may_rotate = 1;
        p.index = i;
        p.priority = i < 60 ? 0 : 1;
        pieces.push_back(p);
    }
    sheet.length = 2800;
    sheet.width = 2070;
    sheet.kerf = 4;
    sheet.trim_xL = 10;
    sheet.trim_yW = 10;
    sheet.max_cut = 2800;
    input.Build(pieces, static_cast<int32_t>(pieces.size()));
}
