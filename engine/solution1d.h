#pragma once
// Result model of a bar run: one Solution1D per distinct bar layout, in the user's sizes.
#include <cstdint>
#include <vector>

#include "model/Ufractions_double.h"
#include "util/my_w_string.h"

struct TFractionalPiece1D {
    fractional_double length;
    my_w_string label;
    double angle1 = 90.0;  // end angles as cut, after the orientation flags
    double angle2 = 90.0;
    bool mirrored = false;
    bool turned = false;
    bool swapped = false;
    my_w_string customer;
    int32_t partIndex = -1;
    int32_t partTag = -1;

    // The displayed angles of a piece with its own angles (a1, a2) under the three flags.
    static void OrientAngles(double& a1, double& a2, bool mirrored, bool turned, bool swapped);
};

struct Solution1D {
    fractional_double waste;
    std::vector<TFractionalPiece1D> pieces;
    int32_t repeat = 1;
    fractional_double barLength;    // the length handed to the optimiser, trims taken off
    fractional_double stockLength;  // the stock record's own length
    my_w_string groupName;
    double barCost = 0.0;
    my_w_string stockLabel;
    int32_t stockIndex = -1;
    int32_t stockTag = -1;

    int32_t pieceCount() const { return static_cast<int32_t>(pieces.size()); }
    void Clear();
    // Same stock record, bar lengths, texts and pieces in the same order.
    bool SameLayout(const Solution1D& candidate) const;
};
