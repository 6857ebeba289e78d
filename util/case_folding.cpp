#include "util/case_folding.h"

#include <algorithm>

namespace stv {

int FoldCharacter(char32_t c, char32_t out[3])
{
    using namespace case_folding_data;
    out[0] = c;
    if (c < 0x80) {
        if (c >= U'A' && c <= U'Z') out[0] = c + 32;
        return 1;
    }
    const fold_expansion* expansions_end = kExpansions + kExpansionCount;
    const fold_expansion* expansion = std::lower_bound(
        kExpansions, expansions_end, c, [](const fold_expansion& e, char32_t code) { return e.code < code; });
    if (expansion != expansions_end && expansion->code == c) {
        int n = 0;
        while (n < 3 && expansion->folded[n] != 0) {
            out[n] = expansion->folded[n];
            ++n;
        }
        return n;
    }
    // The last run that starts at or before c.
    const fold_run* runs_end = kRuns + kRunCount;
    const fold_run* run = std::upper_bound(kRuns, runs_end, c,
                                           [](char32_t code, const fold_run& r) { return code < r.first; });
    if (run == kRuns) return 1;
    --run;
    if (c <= run->last && (c - run->first) % run->step == 0)
        out[0] = static_cast<char32_t>(static_cast<int64_t>(c) + run->delta);
    return 1;
}

}  // namespace stv
