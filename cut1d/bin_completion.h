#pragma once
// Packing pieces of a few lengths into a fixed number of equal bars, by depth-first bin completion.
#include <cstdint>
#include <vector>

struct BinCompletionJob {
    std::vector<int64_t> weights;  // per piece type, largest first
    std::vector<int32_t> counts;   // pieces of each type
    int64_t capacity = 0;
    int32_t bins = 0;              // bars to fill; the search looks for a packing into exactly these
    int64_t workLimit = 0;         // completions tried and generated, counted together
    // Optional prices per type (from a linear relaxation's duals), such that no bar's pieces are worth
    // more than 1. Every packing into `bins` bars then leaves bins - sum(count * price) to share among
    // its bars as 1 - (their pieces' worth); bars worth little are cut off early and the rest tried first.
    std::vector<double> prices;
};

struct BinCompletionResult {
    std::vector<std::vector<int32_t>> bins;  // one count vector per used bar; empty: none found
    bool impossible = false;  // the search was complete: no packing into that many bars exists
};

// Searches until a packing is found, none can exist, or the work limit runs out. `work` grows by the
// effort spent.
BinCompletionResult PackIntoBins(const BinCompletionJob& job, int64_t& work);
