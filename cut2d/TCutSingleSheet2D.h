#pragma once
// TCutSingleSheet2D: lays out one stock sheet with the pieces loaded onto it, by one of three strategies.
#include <cstdint>
#include <functional>
#include <vector>

#include "guillotine_search.h"
#include "layout_model.h"
#include "nested_search.h"
#include "sheet_geometry.h"
#include "staged_search.h"

enum class sheet_strategy { guillotine, staged, nested };

// The working layout of one sheet, with one extra row of pieces per repetition.
struct Cut2DXChromosome : TSheet {
    double used_area = 0.0;
    waste_ranking waste;
    std::vector<int32_t> repetition;  // per loaded piece: -1 not placed, 0 placed, k taken by repetition k
    int32_t used_length = 0, used_width = 0;
    priority_profile profile;
    // Per repetition, per placed piece: the loaded piece it stands for and its turned flag.
    std::vector<std::vector<int32_t>> row_piece;
    std::vector<std::vector<int8_t>> row_turned;

    void Clear();
};

class TCutSingleSheet2D {
public:
    // Setters act only while idle.
    void set_PreferLargeRemnant(int32_t value);
    void set_IterationCount(int32_t value);
    void set_Sheet(int32_t length, int32_t width);
    void set_BladeWidth(int32_t value);
    void set_MaximalCutLength(int32_t value);  // also marks the limit as set
    void set_FirstDirection(int32_t value);
    void set_LengthBreakage(int32_t value);
    void set_WidthBreakage(int32_t value);
    void set_Trims(int32_t trim_y0, int32_t trim_x0, int32_t trim_yW, int32_t trim_xL);
    void set_Seed(uint32_t seed);
    void set_MinimalUsefulSize(int32_t value);
    void set_OnlyPiecesOfTheSameHeightInAStrip(int32_t value);
    void set_HeightTolerance(int32_t value);
    void set_NumberOfStages(int32_t value);
    void set_StagedPlacementVariant(int32_t value);
    void set_StagedFinishVariant(int32_t value);
    // Jobs of many distinct sizes: random run orders are shuffles (see genome_operators), and a
    // sheet's search sees only the first pieces (12 sheet areas of them) and the last (4 sheet areas).
    void set_LargeJob(bool on) { large_job_ = on; }
    static constexpr double kLargeJobHeadSheets = 12.0;
    static constexpr double kLargeJobTailSheets = 4.0;
    void SetHoles(const std::vector<hole2d>& holes);
    // Threads that help evaluate large generations (none: this one alone); layouts do not depend on it.
    void set_Evaluator(parallel_evaluator* evaluator) { evaluator_ = evaluator; }

    void ClearPieces();
    void LoadPiece(const part2d& piece);
    int32_t LoadedCount() const { return static_cast<int32_t>(loaded_.size()); }
    const part2d& LoadedPiece(int32_t i) const { return loaded_[static_cast<size_t>(i)]; }

    void set_OnProgress(std::function<void()> callback) { on_progress_ = std::move(callback); }
    void set_OnLayout(std::function<void()> callback) { on_layout_ = std::move(callback); }

    // Runs one strategy; the layout callback is called once with the finished layout.
    void Run(sheet_strategy strategy, int32_t strategy_index);
    // Lays the loaded pieces out once, in load order, by the guillotine decoder with these turn and
    // split flags (per loaded piece) and decoder variant; finished as Run finishes a layout.
    void RunGenome(const std::vector<uint8_t>& turn, const std::vector<uint8_t>& direction, int32_t variant);
    // The sheet as the guillotine decoder sees it (trims moved to the far edges, cut limit, holes).
    sheet_geometry GuillotineGeometry() const;
    void Stop();
    bool Improved() const;
    bool Idle() const { return stop_; }

    // Read-out while idle (also inside the layout callback).
    const Cut2DXChromosome& Layout() const { return layout_; }
    int32_t RepetitionCount() const { return repetition_count_; }
    int32_t length() const { return length_; }
    int32_t width() const { return width_; }
    int32_t kerf() const { return kerf_; }

    // The selection made for the last run: pieces taking part and the bound on how many fit.
    const std::vector<part2d>& Selected() const { return selected_; }
    int32_t PieceBound() const { return piece_bound_; }

private:
    // The sheet with its kerf, breakages and trims; no cut limit, no holes.
    sheet_geometry SheetGeometry() const;
    sheet_geometry SearchGeometry(sheet_strategy strategy, bool& moved_x, bool& moved_y) const;
    void StartLayout();
    void FinishLayout(sheet_strategy strategy);
    void SelectPieces();
    void RunGuillotine(int32_t strategy_index, const sheet_geometry& geometry);
    void SetSearchSettings(search_settings& settings, int32_t strategy_index) const;
    void TakeBest(const Cut2DXChromosomeGuillotine& best);
    // Reflects the layout so that coordinate v along x (in_x) or y becomes a - v.
    void Mirror(bool in_x, int32_t a);
    void RemoveRedundantCuts();
    void OrderCuts();
    void OrderCutsIn(int32_t x1, int32_t y1, int32_t x2, int32_t y2, std::vector<uint8_t>& emitted,
                     std::vector<cut2d>& out);
    void CountRepetitions();
    // The staged and nested strategies (single_sheet_strategies.cpp).
    void RunStaged(int32_t strategy_index, const sheet_geometry& geometry);
    void StagedFinish();
    void RunNested(int32_t strategy_index, const sheet_geometry& geometry);

    // Configuration.
    int32_t remnant_rule_ = 0;
    int32_t iterations_ = 1;
    int32_t length_ = 0, width_ = 0;
    int32_t kerf_ = 0;
    int32_t max_cut_ = 0;
    bool max_cut_set_ = false;
    int32_t first_direction_ = 0;
    int32_t length_breakage_ = 0, width_breakage_ = 0;
    int32_t trim_x0_ = 0, trim_y0_ = 0, trim_yW_ = 0, trim_xL_ = 0;
    uint32_t seed_ = 0;
    int32_t minimal_useful_size_ = 0;
    int32_t same_height_strips_ = 0, height_tolerance_ = 0, stages_ = 2, staged_placement_ = 0, staged_finish_ = 0;
    std::vector<hole2d> holes_;
    double mutation_rate_ = 0.1;
    bool large_job_ = false;
    parallel_evaluator* evaluator_ = nullptr;

    // State.
    bool stop_ = true;
    bool all_identical_ = false;
    std::vector<part2d> loaded_;
    std::vector<part2d> selected_;
    std::vector<int32_t> selected_to_loaded_;
    int32_t piece_bound_ = 0;
    Cut2DXChromosome layout_;
    int32_t repetition_count_ = 0;
    GuillotineSearch guillotine_;
    StagedSearch staged_;
    NestedSearch nested_;
    sheet_strategy running_ = sheet_strategy::guillotine;
    std::function<void()> on_progress_;
    std::function<void()> on_layout_;
};
