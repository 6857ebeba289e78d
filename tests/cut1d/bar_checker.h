#pragma once
// Independent check of bar layouts: pieces plus kerfs (less mitre savings) fit each bar, no piece is
// cut twice, and the reported wastes, used lengths and totals agree with the pieces.
#include <cstdint>
#include <string>
#include <vector>

#include "cut1d/cut1d_types.h"

class TCut1D;

struct BarJob {
    struct Piece {
        int32_t length = 0;
        double angle1 = 90.0;
        double angle2 = 90.0;
    };
    std::vector<Piece> pieces;          // by piece number
    std::vector<int32_t> barLengths;    // by bar number
    int32_t kerf = 0;
    int32_t width = 0;
};

struct CheckedLayout {
    struct Cut {
        int32_t piece = -1;
        bool mirrored = false;
        bool turned = false;
        bool swapped = false;
    };
    int32_t barNumber = -1;
    double waste = 0.0;
    int32_t usedLength = -1;  // -1 when the source does not report it
    std::vector<Cut> cuts;
};

// Every problem found, one line each; empty when the layouts are sound.
std::vector<std::string> CheckLayouts(const BarJob& job, const std::vector<CheckedLayout>& layouts);
// The same plus the solution's maps and totals.
std::vector<std::string> CheckSolution(const BarJob& job, const SolutionCut1D& solution);
// The layouts as the optimiser reports them; call inside its finished callback.
std::vector<CheckedLayout> CollectLayouts(const TCut1D& optimiser);
// The bar length a layout consumes (kerfs between pieces, shared mitre cuts saved).
double ConsumedLength(const BarJob& job, const CheckedLayout& layout, std::string* problem);
