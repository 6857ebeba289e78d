#pragma once
// Dense row-major matrices of doubles and of int32 used by the simplex tableau.
#include <cstdint>
#include <vector>

template <class T>
class TDenseMatrix {
public:
    int32_t rows = 0;
    int32_t cols = 0;
    std::vector<std::vector<T>> cells;

    // Stores both sizes; storage (all zeros) only when both are positive.
    void Allocate(int32_t newRows, int32_t newCols)
    {
        rows = newRows;
        cols = newCols;
        cells.clear();
        if (newRows <= 0 || newCols <= 0) return;
        cells.assign(static_cast<size_t>(newRows), std::vector<T>(static_cast<size_t>(newCols), T{}));
    }
    void Release()
    {
        cells.clear();
        cells.shrink_to_fit();
        rows = 0;
        cols = 0;
    }
    bool Empty() const { return cells.empty(); }
    std::vector<T>& operator[](int32_t r) { return cells[static_cast<size_t>(r)]; }
    const std::vector<T>& operator[](int32_t r) const { return cells[static_cast<size_t>(r)]; }
};

using TDoubleMatrix = TDenseMatrix<double>;
using TIntMatrix = TDenseMatrix<int32_t>;
