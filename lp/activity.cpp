#include "lp/activity.h"

#include <algorithm>

TActivity::TActivity(int32_t pieceTypes)
    : counts(static_cast<size_t>(std::max<int32_t>(pieceTypes, 0)), 0),
      pieceTypeCount(std::max<int32_t>(pieceTypes, 0))
{
}

void TActivity::Reset()
{
    stockIndex = -1;
    level = 0.0;
    waste = 0.0;
    used = 0.0;
    price = 0.0;
    std::fill(counts.begin(), counts.end(), 0);
}

int32_t TActivity::PieceTotal() const
{
    int32_t total = 0;
    for (int32_t c : counts) total += c;
    return total;
}
