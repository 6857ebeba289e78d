#pragma once
// Integer records of the sheet optimiser: demand pieces, stock, one sheet's layout, whole solutions.
#include <cstdint>
#include <memory>
#include <vector>

#include "util/my_ansi_string.h"
#include "util/user_data.h"

// A region of a stock sheet that no piece may cover.
struct hole2d {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int32_t extent_x = 0, extent_y = 0;
    int32_t value = 0;
};

// One demanded piece (quantities are expanded: every unit is its own record).
struct part2d {
    int32_t length = 0;
    int32_t width = 0;
    int8_t may_rotate = -1;
    int8_t turned = 0;
    int32_t index = 0;
    user_data data;
    int32_t priority = 0;
    int32_t fit_count = 0;
    int8_t grain = -1;
};

// One stock sheet (quantities expanded the same way); owns its holes.
struct stock2d {
    int32_t length = 0;
    int32_t width = 0;
    user_data data;
    int32_t trim_y0 = 0, trim_x0 = 0, trim_yW = 0, trim_xL = 0;
    int32_t priority = 0;
    int32_t index = 0;
    std::vector<hole2d> holes;
    int8_t grain = -1;
    double value = 0.0;

    int32_t holes_count() const { return static_cast<int32_t>(holes.size()); }
};

// The identity used to repeat one layout on several stock sheets.
bool StocksIdentical(const stock2d& a, const stock2d& b);

using part2d_array = std::vector<part2d>;
using stock2d_array = std::vector<stock2d>;

struct placed_piece2d {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int32_t extent_x = 0, extent_y = 0;
    int8_t turned = 0;
    int32_t piece_index = -1;
    user_data data;
};

// A cut line; the kerf lies on the high side of the line: [x, x + kerf] or [y, y + kerf].
struct cut2d {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int32_t kerf = 0;
    int32_t stage = 0;
    uint8_t flag = 0;
    int32_t aux1 = 0, aux2 = 0;

    bool along_x() const { return y1 == y2 && x1 != x2; }
    bool along_y() const { return x1 == x2 && y1 != y2; }
    int32_t length() const { return (x2 - x1) + (y2 - y1); }
};

// A waste (or, while a layout is built, free) rectangle with the links the decoder keeps.
struct waste2d {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int32_t extent_x = 0, extent_y = 0;
    int32_t cut_left = -1, cut_bottom = -1, cut_right = -1, cut_top = -1;
    int32_t sibling = -1;

    // The rectangle from (x1, y1) to (x2, y2), not yet linked to any cut.
    static waste2d Spanning(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
    {
        waste2d w;
        w.x1 = x1;
        w.y1 = y1;
        w.x2 = x2;
        w.y2 = y2;
        w.extent_x = x2 - x1;
        w.extent_y = y2 - y1;
        return w;
    }

    double area() const { return static_cast<double>(extent_x) * static_cast<double>(extent_y); }
};

// Largest, second and third waste of a layout with the sum beside them.
struct waste_ranking {
    double largest = 0.0, second = 0.0, third = 0.0, total = 0.0;
    void Add(double area);
};

// Placed area per priority class, classes ascending.
struct priority_profile {
    std::vector<int32_t> key;
    std::vector<double> area;
    int32_t count() const { return static_cast<int32_t>(key.size()); }
    void Clear() { key.clear(); area.clear(); }
    void Add(int32_t priority, double piece_area);
};

// The layout of one sheet; the base of every layout class.
struct TSheet {
    int32_t length = 0;
    int32_t width = 0;
    int32_t capacity = 0;
    std::vector<placed_piece2d> pieces;
    std::vector<cut2d> cuts;
    std::vector<waste2d> wastes;

    int32_t piece_count() const { return static_cast<int32_t>(pieces.size()); }
    int32_t cut_count() const { return static_cast<int32_t>(cuts.size()); }
    int32_t waste_count() const { return static_cast<int32_t>(wastes.size()); }
};

// One finished sheet of a solution with its statistics.
struct Chromosome : TSheet {
    int32_t used_length = 0;
    int32_t used_width = 0;
    priority_profile profile;
    std::vector<cut2d> sequence;  // room for a cutting programme; stays empty
    double used_area = 0.0;
    double utilisation = 0.0;
    double largest_waste = 0.0;
    double second_waste = 0.0;
    double third_waste = 0.0;
    double kerf_area = 0.0;
    double unusable_waste = 0.0;
    double waste_area = 0.0;
    double cut_length = 0.0;
    int32_t stock_index = -1;
    MyAnsiString text;

    // Recomputes waste_area, unusable_waste, kerf_area and cut_length from the records.
    void RecomputeTotals(int32_t minimal_useful_size);
};

// The sheets of a solution in the order they were made; owns them.
class TSheetList {
public:
    void Append(std::unique_ptr<Chromosome> sheet) { sheets_.push_back(std::move(sheet)); }
    Chromosome* Find(int32_t n) const;
    void Remove(int32_t n);
    void Clear() { sheets_.clear(); }
    int32_t count() const { return static_cast<int32_t>(sheets_.size()); }

private:
    std::vector<std::unique_ptr<Chromosome>> sheets_;
};

// One complete solution: its sheets, statistics and the piece/stock assignment tables.
class TGlobalSolution {
public:
    TSheetList sheets;
    double waste_area = 0.0;
    double largest_waste = 0.0;
    int32_t waste_count = 0;
    int32_t piece_count = 0;
    int32_t cut_count = 0;
    std::vector<int32_t> piece_to_stock;
    std::vector<int32_t> stock_to_sheet;
    int32_t stock_count = 0;
    int32_t piece_total = 0;
    double used_area = 0.0;
    double lost_area = 0.0;
    int32_t last_used_length = 0, last_used_width = 0;
    int32_t last_length = 0, last_width = 0;

    void Reset();
    void Clear();
    void CopyFrom(const TGlobalSolution& other);
    void Finalise(int32_t minimal_useful_size);
    // Placed pieces counted over the sheets themselves.
    int32_t CountPlacedPieces() const;

private:
    void ZeroStatistics();
};

// Which rule decides the remnant comparison.
struct remnant_rule {
    bool on = false;
    bool staged_method = false;
    int32_t first_direction = 0;
};

// Sheet order: -1 when a is better, 1 when b is, 0 on a tie.
int CompareSheets(const Chromosome& a, const Chromosome& b);
// Solution order: is the new solution better than the best so far?
bool SolutionBetter(const TGlobalSolution& candidate, const TGlobalSolution& best, const remnant_rule& rule);
