#pragma once
// Unicode case folding of single characters, for comparing texts regardless of letter case.
#include <cstddef>
#include <cstdint>

namespace stv {

// The folded form of `c` in `out` (one to three characters); gives the count.
int FoldCharacter(char32_t c, char32_t out[3]);

}  // namespace stv

namespace stv::case_folding_data {

struct fold_run {
    uint32_t first, last;  // every step-th code point from first to last ...
    uint32_t step;
    int32_t delta;         // ... folds to itself plus delta
};
struct fold_expansion {
    uint32_t code;
    uint32_t folded[3];  // unused places are 0
};

extern const fold_run kRuns[];
extern const size_t kRunCount;
extern const fold_expansion kExpansions[];
extern const size_t kExpansionCount;

}  // namespace stv::case_folding_data
