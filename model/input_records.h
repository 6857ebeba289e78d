#pragma once
// The problem as the engine receives it: part, stock and parameter records and their arrays.
#include <cstdint>
#include <vector>

#include "model/Ufractions_double.h"
#include "util/my_w_string.h"
#include "util/user_data.h"

// Edge band: a name and a thickness per side.
struct cant {
    my_w_string top_name, left_name, bottom_name, right_name;
    fractional_double top_thick, left_thick, bottom_thick, right_thick;
    int32_t rotated = 0;

    // Nonzero turns the sides once (top <- right, left <- top, bottom <- left, right <- bottom);
    // zero only clears `rotated`.
    void Rotate(int32_t turn);
    // The four names, ignoring case (thicknesses are not compared).
    bool SameNames(const cant& other) const;
};

// Grinding allowance per side.
struct grinding_as_number_2d {
    fractional_double top_thick, left_thick, bottom_thick, right_thick;
    uint8_t rotated = 0;

    void Rotate(int32_t turn);
    bool SameThicknesses(const grinding_as_number_2d& other) const;
};

// Record kinds.
inline constexpr uint8_t kKindLinear = 1;
inline constexpr uint8_t kKindFlat = 2;
// allow_rotation when not given: grain rules apply.
inline constexpr uint8_t kRotationNotGiven = 255;

// One demanded part.
struct part_as_number_2d {
    uint8_t kind = kKindFlat;
    fractional_double length;
    fractional_double width;
    int32_t quantity = 0;
    uint8_t grain = 0;  // 0 none, 1 horizontal, 2 vertical
    uint8_t allow_rotation = kRotationNotGiven;
    my_w_string label;
    int32_t row_index = -1;
    my_w_string material;
    uint8_t useit = 1;
    my_w_string customer;
    cant edge_band;
    double end_angle_1 = 90.0;
    double end_angle_2 = 90.0;
    grinding_as_number_2d grinding;

    // Merge equality: quantity and row_index are not compared.
    bool SameAs(const part_as_number_2d& other) const;
    bool IsFlatPiece() const;
    bool IsLinearPiece() const;
};

// One stock item: a sheet, or a bar when its width is 0.
struct stock_as_number_2d {
    uint8_t kind = kKindFlat;
    fractional_double length;
    fractional_double width;
    int32_t quantity = 0;
    uint8_t grain = 0;
    my_w_string label;
    int32_t row_index = -1;
    my_w_string material;
    double price = 0.0;
    fractional_double trim_top, trim_left, trim_bottom, trim_right;
    int32_t priority = 0;
    uint8_t useit = 1;

    bool SameAs(const stock_as_number_2d& other) const;
    bool IsSheet() const;
    bool IsBar() const;
};

// Parameters of a run; the window sets four of them, the rest keep these defaults.
struct parameters_as_number_2d {
    fractional_double cutter_thickness;
    fractional_double minimal_break_size;
    fractional_double second_break_size;
    int32_t iterations = 100;
    uint8_t staged_finish_variant = 0;
    uint8_t first_direction = 0;
    fractional_double height_tolerance;
    fractional_double maximal_cut_length = fractional_double(5000.0);
    fractional_double minimal_useful_size;
    int32_t number_of_stages = 0;
    uint8_t same_height_in_strip = 0;
    uint8_t staged_placement_variant = 0;
    uint8_t prefer_large_remnant = 0;
    int32_t random_seed = 0;
    uint8_t run_mode = 0;  // 0 guillotine, 1 nested, 2 staged
    int32_t round_fractions_to = 3;  // index into 1/2 .. 1/32
    fractional_double linear_cutter_thickness;
    uint8_t price_per_area = 1;
    int32_t reserved_flag = 0;
    fractional_double linear_minimal_useful_size;
    fractional_double linear_band_low;
    fractional_double linear_band_high;
    uint8_t subtract_edge_band = 0;
    uint8_t add_grinding = 0;
    uint8_t effort = 1;         // search after the construction: 0 quick, 1 normal, 2 thorough
    int32_t threads = 0;        // 0: every core; the layouts do not depend on it
    double time_limit = 0.0;    // seconds of search after the construction; 0: no limit

    // The rounding denominator 2^(round_fractions_to + 1); an index outside 0..4 is clamped.
    int32_t RoundingDenominator() const
    {
        const int32_t index = round_fractions_to < 0 ? 0 : (round_fractions_to > 4 ? 4 : round_fractions_to);
        return 1 << (index + 1);
    }
};

// An array of records with a count; add-or-merge keeps one record per equal part or stock item.
template <class Record>
class record_array {
public:
    int32_t count() const { return static_cast<int32_t>(items_.size()); }
    bool empty() const { return items_.empty(); }
    Record& operator[](int32_t i) { return items_[static_cast<size_t>(i)]; }
    const Record& operator[](int32_t i) const { return items_[static_cast<size_t>(i)]; }

    void Clear() { items_.clear(); }
    // Room for n records; the gather callbacks allocate before they fill.
    void Reserve(int32_t n) { if (n > 0) items_.reserve(static_cast<size_t>(n)); }
    Record& Append(const Record& r) { items_.push_back(r); return items_.back(); }
    // The first stored record equal to r gets n added to its quantity (saturating at the 32-bit
    // limits); otherwise a copy with quantity n.
    void AddOrMerge(const Record& r, int32_t n)
    {
        for (auto& stored : items_)
            if (stored.SameAs(r)) {
                if (__builtin_add_overflow(stored.quantity, n, &stored.quantity))
                    stored.quantity = n > 0 ? INT32_MAX : INT32_MIN;
                return;
            }
        Record& copy = Append(r);
        copy.quantity = n;
    }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<Record> items_;
};

using parts_array_2d = record_array<part_as_number_2d>;
using stock_array_2d = record_array<stock_as_number_2d>;
