#pragma once
// TActivity: one bar cutting pattern, a column of the covering linear program.
#include <cstdint>
#include <vector>

struct TActivity {
    int32_t stockIndex = -1;       // stock type the pattern is cut from
    std::vector<int32_t> counts;   // pieces of each piece type
    int32_t pieceTypeCount = 0;
    double level = 0.0;            // level in the latest solution
    double waste = 0.0;
    double used = 0.0;
    double price = 0.0;            // value at the dual prices it was generated with

    TActivity() = default;
    explicit TActivity(int32_t pieceTypes);
    TActivity(const TActivity&) = default;
    TActivity& operator=(const TActivity&) = default;

    void Reset();
    int32_t PieceTotal() const;
};
