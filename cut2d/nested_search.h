#pragma once
// Nested search for one sheet: line-laid populations for both first directions beside the guillotine search.
#include <cstdint>
#include <functional>
#include <vector>

#include "guillotine_search.h"
#include "staged_search.h"

using nested_search_config = search_settings;

// A nested layout while it is built: every placed piece carries the loaded piece it stands for.
struct nested_layout {
    std::vector<placed_piece2d> pieces;
    std::vector<int32_t> loaded;
    std::vector<cut2d> cuts;
    std::vector<waste2d> wastes;
    int32_t used_length = 0, used_width = 0;

    // Adds a search result moved by (dx, dy); to_loaded maps its piece indices to loaded pieces.
    void Add(const Cut2DXChromosomeGuillotine& result, const std::vector<int32_t>& to_loaded, int32_t dx, int32_t dy,
             bool with_wastes);
};

// Runs a nested search on the given pieces and sheet and gives its best layout.
using nested_search_call =
    std::function<const Cut2DXChromosomeGuillotine&(const std::vector<part2d>&, int32_t, const sheet_geometry&)>;

// Fills the wastes of a layout on the sheet g with nested layouts of the loaded pieces not placed yet, until a
// pass changes nothing. A sub-layout is taken when it leaves one waste, smaller than the rectangle it fills.
void FillWastes(nested_layout& layout, const std::vector<part2d>& loaded, std::vector<uint8_t>& placed,
                const sheet_geometry& g, const nested_search_call& search);

// The pieces a free rectangle r of g can take: for every run of equal loaded pieces that fits in r (turned
// when only the turn fits), as many pieces not yet placed as the area of r allows. Gives the most of them r
// can hold, counting the smallest pieces first.
int32_t CollectFittingPieces(const std::vector<part2d>& loaded, const std::vector<uint8_t>& placed,
                             const sheet_geometry& g, const rect_i32& r, std::vector<part2d>& pieces,
                             std::vector<int32_t>& to_loaded);

// Holes moved by (-dx, -dy) and clipped to a sheet of length x width; those with nothing left are dropped.
std::vector<hole2d> HolesInside(const std::vector<hole2d>& holes, int32_t dx, int32_t dy, int32_t length, int32_t width);

class NestedSearch {
public:
    // Searches a sheet without trims until the generation callback raises the stop flag.
    void Run(const std::vector<part2d>& selected, int32_t piece_bound, const sheet_geometry& geometry,
             const nested_search_config& config, const std::function<void()>& on_generation);
    // The best layout of all populations; valid after Run.
    const Cut2DXChromosomeGuillotine& Best() const { return *best_; }
    void Stop() { stop_ = true; }
    bool Improved() const { return improved_ || guillotine_.Improved(); }

private:
    decode_input input_;
    line_population along_x_, along_y_;
    GuillotineSearch guillotine_;
    const Cut2DXChromosomeGuillotine* best_ = nullptr;
    bool turned_population_ = false;
    bool stop_ = true;
    bool improved_ = false;
};
