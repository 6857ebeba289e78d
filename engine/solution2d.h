#pragma once
// Result model of a sheet run: one Solution2D per distinct layout, in the user's sizes, plus
// the summary records (waste pieces, utilisation by material).
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/Ufractions_double.h"
#include "model/input_records.h"
#include "util/my_w_string.h"
#include "util/tlista.h"

struct TFractionalPiece2D {
    fractional_double vertical_size;    // y2 - y1
    fractional_double horizontal_size;  // x2 - x1
    fractional_double x1, y1, x2, y2;
    uint8_t rotated = 0;  // horizontal_size is not the part's length
    my_w_string label;
    my_w_string customer;
    cant edge_band;
    grinding_as_number_2d grinding;
    int32_t row_index = -1;
    int32_t source_index = -1;
};

struct TFractionalWaste {
    fractional_double vertical_size;
    fractional_double horizontal_size;
    fractional_double x1, y1, x2, y2;
};

struct TFractionalCut {
    fractional_double x1, y1, x2, y2;  // from (x1, y1) to (x2, y2)
    fractional_double cut_kerf;
};

// One sheet layout, cut `repetitions` times.
struct Solution2D {
    fractional_double used_area;
    std::vector<TFractionalCut> cuts;
    std::vector<TFractionalWaste> wastes;
    std::vector<TFractionalPiece2D> pieces;
    int32_t repetitions = 1;
    fractional_double sheet_length;  // horizontal in the drawing
    fractional_double sheet_width;   // vertical in the drawing
    my_w_string material;
    double cost = 0.0;
    my_w_string stock_label;
    int32_t sheet_source_index = -1;
    int32_t sheet_row_index = -1;
    fractional_double waste_area;
    fractional_double cut_length;

    int32_t piece_count() const { return static_cast<int32_t>(pieces.size()); }
    int32_t cut_count() const { return static_cast<int32_t>(cuts.size()); }
    int32_t waste_count() const { return static_cast<int32_t>(wastes.size()); }

    // Same stock record, sheet, pieces and cuts (matched regardless of order); wastes, cost, area not compared.
    bool SameLayout(const Solution2D& other) const;
};

struct statistical_waste {
    fractional_double length;
    fractional_double width;
    int32_t total = 0;
    my_w_string material;
};

struct material_utilization {
    my_w_string material;
    fractional_double used_area_total;
    fractional_double waste_area_total;
    fractional_double other_area_total;
    fractional_double sheet_area_total;
    fractional_double cut_length_total;
    double cost_total = 0.0;
    int32_t piece_total = 0;
    // Sheets of the material's result, the fewest any layout could use, and whether the stock used is proven least.
    int32_t sheet_total = 0;
    int32_t sheet_lower_bound = 0;
    bool optimal = false;
};

// Finds the first entry of a waste list with the same material and size without walking the whole list (a large
// job has tens of thousands of distinct wastes). Entries are only appended, through the lists' Offer methods.
class waste_entry_index {
public:
    statistical_waste* Find(const TOwningList<statistical_waste>& list, const fractional_double& length,
                            const fractional_double& width, const my_w_string& material);

private:
    std::unordered_multimap<uint64_t, std::pair<int32_t, statistical_waste*>> buckets_;
    int32_t indexed_ = 0;
};

// Waste pieces too small to reuse.
class garbage_waste_list : public TOwningList<statistical_waste> {
public:
    void Offer2D(const fractional_double& length, const fractional_double& width, const my_w_string& material,
                 const fractional_double& minimal_useful_size, int32_t count);
    void Offer1D(const fractional_double& length, const my_w_string& material,
                 const fractional_double& minimal_useful_size, int32_t count);

private:
    waste_entry_index index_;
};

// Waste pieces large enough to keep.
class reused_waste_list : public TOwningList<statistical_waste> {
public:
    void Offer2D(const fractional_double& length, const fractional_double& width, const my_w_string& material,
                 const fractional_double& minimal_useful_size, int32_t count);
    void Offer1D(const fractional_double& length, const my_w_string& material,
                 const fractional_double& minimal_useful_size, int32_t count);

private:
    waste_entry_index index_;
};

class material_utilization_list : public TOwningList<material_utilization> {
public:
    // The entry of a material (ignoring case), appended when missing.
    material_utilization& EntryFor(const my_w_string& material);
    void AddLayout(const Solution2D& layout);
};
