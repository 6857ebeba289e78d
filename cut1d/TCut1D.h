#pragma once
// TCut1D: the one-dimensional optimiser; cuts linear pieces from bars by a fixed list of methods.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "util/user_data.h"

struct cut1d_bar_info {
    int32_t piece_count = 0;
    int32_t bar_number = -1;
    user_data data;
};

struct cut1d_bar_waste {
    double waste = 0.0;
    int32_t bar_number = -1;
    user_data data;
};

struct cut1d_bar_piece {
    int32_t piece_number = -1;
    bool mirrored = false;
    bool turned = false;
    bool swapped = false;
    int32_t bar_number = -1;
    user_data bar_data;
    user_data piece_data;
};

struct cut1d_piece_info {
    int32_t length = 0;
    double angle1 = 90.0;
    double angle2 = 90.0;
    user_data data;
};

struct cut1d_stock_info {
    int32_t length = 0;
    double cost = 0.0;
    int32_t priority = 0;
    user_data data;
};

class TCut1D {
public:
    TCut1D();
    ~TCut1D();
    TCut1D(const TCut1D&) = delete;
    TCut1D& operator=(const TCut1D&) = delete;

    // Parameters and input; ignored while a run is in progress.
    void set_BladeWidth(int32_t value);
    void set_OptimizationLevel(int32_t value);
    void set_RandomSeed(int32_t value);
    void set_MinReusedWaste(int32_t value);
    void set_MaxGarbageWaste(int32_t value);
    void set_Width(int32_t value);
    void set_NumberOfDemandPieces(int32_t n);
    void SetDemandPiece3(int32_t i, int32_t length, double angle1, double angle2, double value, int32_t group,
                         user_data data);
    void set_NumberOfRepositoryPieces(int32_t n);
    void SetRepositoryPiece2(int32_t i, int32_t length, double cost, int32_t priority, user_data data);
    // Wall-clock bound on the exact method per priority group, in seconds; 0 (the default) leaves
    // only its work limit, which keeps results the same on every machine.
    void set_ExactTimeLimit(double seconds);
    // Safe from another thread during Run: each method list keeps what it found so far and runs no
    // further method (its first one always runs). Stays set until cleared.
    void RequestStop();
    void ClearStopRequest();

    void Run();

    void set_OnProgressInner(std::function<void()> callback);
    void set_OnProgressOuter(std::function<void()> callback);
    void set_OnFinished(std::function<void()> callback);
    void set_OnUnused(std::function<void()> callback);

    // Result accessors: valid inside the finished callback.
    int32_t GetBarCount() const;
    std::optional<cut1d_bar_info> GetBar(int32_t b) const;
    std::optional<cut1d_bar_waste> GetBarWaste(int32_t b) const;
    std::optional<cut1d_bar_piece> GetBarPiece(int32_t b, int32_t i) const;
    int32_t GetTotalPieces() const;
    int32_t GetPieceCount() const;
    std::optional<cut1d_piece_info> GetPiece(int32_t i) const;
    int32_t GetStockCount() const;
    std::optional<cut1d_stock_info> GetStock(int32_t i) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
