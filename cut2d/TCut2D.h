#pragma once
// TCut2D: the two-dimensional optimiser; builds multi-sheet guillotine solutions sheet by sheet.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "util/user_data.h"

// Progress of a run: construction passes done out of those planned, then the improvement's work.
struct cut2d_progress {
    int32_t passes_done = 0;
    int32_t passes_total = 0;
    int32_t phase = 0;  // 0 construction, 1 improvement
    int32_t work_done = 0, work_total = 0;
    int32_t sheets_saved = 0;
};

// How much search follows the construction: none, the default, or about ten times more.
enum class cut2d_effort { quick = 0, normal = 1, thorough = 2 };

struct cut2d_sheet_piece {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int32_t turned = 0;
    int32_t piece_index = -1;
    user_data data;
};

struct cut2d_sheet_rect {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct cut2d_sheet_cut {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int32_t kerf = 0;
    int32_t stage = 0;
};

struct cut2d_demand_piece {
    int32_t length = 0, width = 0;
    int32_t may_rotate = -1;
    int32_t grain = -1;
    user_data data;
    int32_t priority = 0;
};

struct cut2d_repository_piece {
    int32_t length = 0, width = 0;
    int32_t trim_y0 = 0, trim_x0 = 0, trim_yW = 0, trim_xL = 0;
    user_data data;
    int32_t priority = 0;
    int32_t holes_count = 0;
    int32_t grain = -1;
    double value = 0.0;
};

class TCut2D {
public:
    TCut2D();
    ~TCut2D();
    TCut2D(const TCut2D&) = delete;
    TCut2D& operator=(const TCut2D&) = delete;

    // Parameters; each acts only while the optimiser is idle (ready).
    void set_OptimizationLevel(int32_t value);
    void set_BladeWidth(int32_t value);
    void set_RandomSeed(int32_t value);
    void set_MinimalWidthBreakage(int32_t value);
    void set_MinimalLengthBreakage(int32_t value);
    void set_MaximalCutLength(int32_t value);
    void set_FirstDirectionMultiStages(int32_t value);
    void set_OnlyPiecesOfTheSameHeightInAStrip(int32_t value);
    void set_HeightTolerance(int32_t value);
    void set_NumberOfStages(int32_t value);
    void set_MinimalUsefulSize(int32_t value);
    void set_PreferLargeRemnant(int32_t value);
    void set_StagedPlacementVariant(int32_t value);
    void set_StagedFinishVariant(int32_t value);
    void set_Effort(cut2d_effort value);  // quick (the construction alone) until set
    // Threads of the improvement; 0 takes every core. The result is the same for every count.
    void set_Threads(int32_t value);
    // Seconds after which the improvement stops with the best found; 0: no limit.
    void set_TimeLimit(double seconds);

    // Input (only while ready; out-of-range indices are ignored).
    void set_NumberOfDemandPieces(int32_t n);
    void SetDemandPiece(int32_t i, int32_t length, int32_t width, int32_t may_rotate, user_data data, int32_t priority);
    void SetDemandPieceWithGrain(int32_t i, int32_t length, int32_t width, int32_t grain, user_data data,
                                 int32_t priority);
    void set_NumberOfRepositoryPieces(int32_t n);
    void SetRepositoryPiece(int32_t i, int32_t length, int32_t width, int32_t trim_y0, int32_t trim_x0,
                            int32_t trim_yW, int32_t trim_xL, user_data data, int32_t priority,
                            int32_t holes_count, double value);
    void SetRepositoryPieceWithGrain(int32_t i, int32_t length, int32_t width, int32_t trim_y0, int32_t trim_x0,
                                     int32_t trim_yW, int32_t trim_xL, user_data data, int32_t priority,
                                     int32_t holes_count, int32_t grain, double value);

    // Start methods.
    void StartGuillotine();
    void StartNested();
    void StartStaged();

    // Called on every progress report of the single-sheet optimiser.
    void set_OnProgress(std::function<void(const cut2d_progress&)> callback);
    // Asks a run (from any thread) to end soon with the best complete solution found so far.
    void RequestStop();
    // Lets the next run go its full length.
    void ClearStopRequest();

    // Called once at the end of a run while the best solution can be read.
    void set_OnRunEnd(std::function<void()> callback);

    // Result accessors: valid inside the end-of-run callback.
    int32_t GetSheetCount() const;
    int32_t GetPlacedPieceCount() const;
    int32_t GetDemandPieceCount() const;
    int32_t GetRepositoryPieceCount() const;
    // No layout of the placed pieces needs fewer sheets; and whether the result is proven to use the least stock.
    int32_t GetSheetLowerBound() const;
    bool GetProvenOptimal() const;
    std::optional<cut2d_demand_piece> GetDemandPiece(int32_t i) const;
    std::optional<cut2d_repository_piece> GetRepositoryPiece(int32_t i) const;

    std::optional<int32_t> GetSheetStockIndex(int32_t s) const;
    std::optional<user_data> GetSheetData(int32_t s) const;
    int32_t GetSheetCutCount(int32_t s) const;
    int32_t GetSheetPieceCount(int32_t s) const;
    int32_t GetSheetWasteCount(int32_t s) const;
    double GetSheetWasteArea(int32_t s) const;
    double GetSheetCutLength(int32_t s) const;
    std::optional<cut2d_sheet_piece> GetSheetPiece(int32_t s, int32_t j) const;
    std::optional<cut2d_sheet_rect> GetSheetWaste(int32_t s, int32_t j) const;
    std::optional<cut2d_sheet_cut> GetSheetCut(int32_t s, int32_t j) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
