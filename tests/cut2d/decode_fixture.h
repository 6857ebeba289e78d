#pragma once
// The job the decoding-without-allocation tests decode over and over: 120 random pieces, a trimmed sheet.
#include <cstdint>
#include <vector>

#include "cut2d/guillotine_decoder.h"

struct decode_fixture {
    // Two priority groups of 60 pieces drawn from the seed; input refers to pieces, so the fixture stays put.
    explicit decode_fixture(uint32_t seed);
    decode_fixture(const decode_fixture&) = delete;
    decode_fixture& operator=(const decode_fixture&) = delete;

    std::vector<part2d> pieces;
    sheet_geometry sheet;
    decode_input input;
};
