#include "cut1d/TCut1D.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <numbers>

#include "cut1d/cut1d_methods.h"
#include "cut1d/cut1d_types.h"
#include "cut1d/mitre.h"
#include "cut1d/single_bar.h"
#include "util/random.h"

namespace {
constexpr double kAngleTolerance = 1e-5;

// The order in which the methods see the pieces: by group, longest first; equal pieces side by side.
bool LongestFirst(const part1d& a, const part1d& b)
{
    if (a.group != b.group) return a.group < b.group;
    if (a.length != b.length) return a.length > b.length;
    if (a.angle1 != b.angle1) return a.angle1 < b.angle1;
    if (a.angle2 != b.angle2) return a.angle2 < b.angle2;
    if (a.value != b.value) return a.value < b.value;
    return a.number < b.number;
}

bool AnyAngled(const part1d_array& pieces)
{
    for (const auto& p : pieces)
        if (!IsSquarePiece(p, kAngleTolerance)) return true;
    return false;
}
}  // namespace

struct TCut1D::Impl {
    bool idle = true;
    bool inFinished = false;
    part1d_array pieces;
    stock1d_array bars;
    int32_t BladeWidth = 0;
    int32_t OptimizationLevel = 1;
    int32_t RandomSeed = 0;
    int32_t Width = 0;
    int32_t MaxGarbageWaste = 0;
    int32_t MinReusedWaste = 0;
    // Fixed settings of this system.
    int32_t MaxPiecesPerBar = 0;
    int32_t OptimizationType = 0;
    int32_t OxRotationAllowed = 1;
    int32_t OyRotationAllowed = 1;
    int32_t OzRotationAllowed = 1;
    double SpaceBetweenCuts = 0.0;
    int32_t CutNotMatchedAngles = 0;
    int32_t patience = 10;
    double exactSeconds = 0.0;
    std::atomic<bool> stopRequested{false};

    SolutionCut1D solution;
    TSingleBarOptimization singleBar;
    int32_t totalPieces = 0;
    std::function<void()> progressInner, progressOuter, finished, unused;

    bool Ready() const { return idle && !inFinished; }
    void Run();
    SolutionCut1D SolveGroup(MethodContext& ctx, const part1d_array& groupPieces, const stock1d_array& main,
                             const stock1d_array& alt);
    const BarUtilization* Bar(int32_t b) const
    {
        if (!idle || b < 0 || b >= static_cast<int32_t>(solution.bars.size())) return nullptr;
        return &solution.bars[static_cast<size_t>(b)];
    }
    user_data BarData(int32_t number) const
    {
        return number >= 0 && number < static_cast<int32_t>(bars.size()) ? bars[static_cast<size_t>(number)].userData
                                                                          : user_data{};
    }
};

SolutionCut1D TCut1D::Impl::SolveGroup(MethodContext& ctx, const part1d_array& groupPieces, const stock1d_array& main,
                                       const stock1d_array& alt)
{
    SolutionCut1D best = RunMethodList(ctx, groupPieces, main, alt);
    if (!AnyAngled(groupPieces)) return best;

    // Square stand-ins: each piece grows by what the kerf takes at its sharpest end.
    part1d_array allowance = groupPieces;
    for (auto& p : allowance) {
        double sharpest = p.angle1;
        for (double candidate : {180.0 - p.angle1, p.angle2, 180.0 - p.angle2})
            if (sharpest - candidate > 1e-5) sharpest = candidate;
        double m = 0.0;
        if (BladeWidth > 0) m = BladeWidth / std::cos((90.0 - sharpest) * std::numbers::pi / 180.0);
        if (m - std::floor(m) > 1e-5) m = std::ceil(m);
        const double length = std::floor(m - BladeWidth + SpaceBetweenCuts + p.length);
        p.length = static_cast<int32_t>(std::min<double>(length, std::numeric_limits<int32_t>::max()));
        p.angle1 = 90.0;
        p.angle2 = 90.0;
    }
    // The stand-in lengths may change the order; the methods expect the longest first.
    std::sort(allowance.begin(), allowance.end(), LongestFirst);
    SolutionCut1D mapped = RunMethodList(ctx, allowance, main, alt);
    part1d_array realByNumber(pieces.size());
    for (const auto& p : groupPieces) realByNumber[static_cast<size_t>(p.number)] = p;
    MapBackAngles(mapped, realByNumber, BladeWidth, Width, MaxPiecesPerBar);
    if (IsBetterSolution(mapped, best)) best = std::move(mapped);
    return best;
}

void TCut1D::Impl::Run()
{
    if (!Ready()) return;
    idle = false;
    const auto pieceTotal = static_cast<int32_t>(pieces.size());
    const auto barTotal = static_cast<int32_t>(bars.size());
    solution.Reset(barTotal, pieceTotal);
    totalPieces = 0;

    // Pieces and bars without a positive length can never be cut: they stay out (unplaced, unused).
    part1d_array work;
    for (int32_t i = 0; i < pieceTotal; ++i) {
        part1d p = pieces[static_cast<size_t>(i)];
        p.number = i;
        p.usedMark = 0;
        if (p.length > 0) work.push_back(p);
    }
    std::sort(work.begin(), work.end(), [](const part1d& a, const part1d& b) {
        return a.length != b.length ? a.length < b.length : a.number < b.number;
    });
    singleBar.RandomSeed = static_cast<uint32_t>(RandomSeed);
    stv::RandomSeed(static_cast<uint32_t>(RandomSeed));

    stock1d_array kept;
    for (int32_t i = 0; i < barTotal; ++i) {
        stock1d s = bars[static_cast<size_t>(i)];
        s.number = i;
        s.cost = s.length;  // bar optimisation minimises length, not price
        if (s.length > 0) kept.push_back(s);
    }
    std::sort(kept.begin(), kept.end(), [](const stock1d& a, const stock1d& b) {
        if (a.length != b.length) return a.length > b.length;
        if (std::fabs(a.cost - b.cost) > 1e-5) return a.cost < b.cost;
        if (a.priority != b.priority) return a.priority < b.priority;
        return a.number < b.number;
    });
    if (!work.empty())
        while (!kept.empty() && kept.back().length < work.front().length) kept.pop_back();
    if (!kept.empty())
        while (!work.empty() && work.back().length > kept.front().length) work.pop_back();
    {
        // More bars of one kind than pieces can never be used.
        stock1d_array limited;
        size_t runStart = 0;
        for (size_t i = 0; i < kept.size(); ++i) {
            if (i > 0 && (kept[i].length != kept[i - 1].length || std::fabs(kept[i].cost - kept[i - 1].cost) > 1e-5))
                runStart = i;
            if (i - runStart < work.size()) limited.push_back(kept[i]);
        }
        kept = std::move(limited);
    }
    std::sort(work.begin(), work.end(), LongestFirst);
    auto byPriority = [](bool longestFirst) {
        return [longestFirst](const stock1d& a, const stock1d& b) {
            if (a.priority != b.priority) return a.priority < b.priority;
            if (a.length != b.length) return longestFirst ? a.length > b.length : a.length < b.length;
            if (std::fabs(a.cost - b.cost) > 1e-5) return a.cost < b.cost;
            return a.number < b.number;
        };
    };
    stock1d_array stockAlt = kept, stockMain = kept;
    std::sort(stockAlt.begin(), stockAlt.end(), byPriority(true));
    std::sort(stockMain.begin(), stockMain.end(), byPriority(false));

    if (!stockMain.empty() && !work.empty()) {
        MethodContext ctx;
        ctx.kerf = BladeWidth;
        ctx.optimizationLevel = OptimizationLevel;
        ctx.width = Width;
        ctx.maxPieces = MaxPiecesPerBar;
        ctx.maxGarbageWaste = MaxGarbageWaste;
        ctx.minReusedWaste = MinReusedWaste;
        ctx.seed = static_cast<uint32_t>(RandomSeed);
        ctx.barTotal = barTotal;
        ctx.pieceTotal = pieceTotal;
        ctx.progressInner = progressInner;
        ctx.progressOuter = progressOuter;
        ctx.singleBar = &singleBar;
        ctx.patience = patience;
        ctx.exactLimits.seconds = exactSeconds;
        ctx.exactLimits.stop = &stopRequested;
        ctx.stop = &stopRequested;

        std::vector<int32_t> priorities;
        for (const auto& s : stockMain)
            if (priorities.empty() || priorities.back() != s.priority) priorities.push_back(s.priority);
        auto groupBars = [](const stock1d_array& all, int32_t priority) {
            stock1d_array group;
            for (const auto& s : all)
                if (s.priority == priority) group.push_back(s);
            return group;
        };
        if (priorities.size() == 1) {
            solution = SolveGroup(ctx, work, stockMain, stockAlt);
        } else {
            for (int32_t priority : priorities) {
                part1d_array left;
                for (const auto& p : work)
                    if (solution.pieceToBar[static_cast<size_t>(p.number)] == -1) left.push_back(p);
                if (left.empty()) break;
                SolutionCut1D group = SolveGroup(ctx, left, groupBars(stockMain, priority), groupBars(stockAlt, priority));
                solution.Append(group);
            }
        }
    }

    idle = true;
    for (const auto& bar : solution.bars) totalPieces += bar.PieceCount();
    inFinished = true;
    if (finished) finished();
    inFinished = false;
    solution.Clear();
}

TCut1D::TCut1D() : impl_(std::make_unique<Impl>()) {}
TCut1D::~TCut1D() = default;

void TCut1D::set_BladeWidth(int32_t value)
{
    if (impl_->Ready()) impl_->BladeWidth = std::max(value, 0);
}
void TCut1D::set_OptimizationLevel(int32_t value)
{
    if (impl_->Ready() && value > 0) impl_->OptimizationLevel = std::min(value, 200);
}
void TCut1D::set_RandomSeed(int32_t value) { impl_->RandomSeed = value; }
void TCut1D::set_MinReusedWaste(int32_t value)
{
    if (impl_->Ready()) impl_->MinReusedWaste = std::max(value, 0);
}
void TCut1D::set_MaxGarbageWaste(int32_t value)
{
    if (impl_->Ready()) impl_->MaxGarbageWaste = std::max(value, 0);
}
void TCut1D::set_Width(int32_t value)
{
    if (impl_->Ready()) impl_->Width = std::max(value, 0);
}
void TCut1D::set_ExactTimeLimit(double seconds)
{
    if (impl_->Ready()) impl_->exactSeconds = seconds > 0.0 ? seconds : 0.0;
}
void TCut1D::RequestStop() { impl_->stopRequested = true; }
void TCut1D::ClearStopRequest() { impl_->stopRequested = false; }
void TCut1D::set_NumberOfDemandPieces(int32_t n)
{
    if (!impl_->Ready()) return;
    impl_->pieces.assign(static_cast<size_t>(std::max(n, 0)), part1d{});
}
void TCut1D::SetDemandPiece3(int32_t i, int32_t length, double angle1, double angle2, double value, int32_t group,
                             user_data data)
{
    if (!impl_->Ready() || i < 0 || i >= static_cast<int32_t>(impl_->pieces.size())) return;
    part1d& p = impl_->pieces[static_cast<size_t>(i)];
    p.number = i;
    p.length = length;
    p.group = group;
    p.userData = data;
    auto valid = [](double a) { return a > 1e-6 && a < 179.999999; };
    if (valid(angle1) && valid(angle2)) {
        p.angle1 = angle1;
        p.angle2 = angle2;
    } else {
        p.angle1 = 90.0;
        p.angle2 = 90.0;
    }
    p.value = value < 0.0 ? 0.0 : value;
}
void TCut1D::set_NumberOfRepositoryPieces(int32_t n)
{
    if (!impl_->Ready()) return;
    impl_->bars.assign(static_cast<size_t>(std::max(n, 0)), stock1d{});
}
void TCut1D::SetRepositoryPiece2(int32_t i, int32_t length, double cost, int32_t priority, user_data data)
{
    if (!impl_->Ready() || i < 0 || i >= static_cast<int32_t>(impl_->bars.size()) || length < 0) return;
    stock1d& s = impl_->bars[static_cast<size_t>(i)];
    s.number = i;
    s.length = length;
    s.cost = cost <= 0.0 ? static_cast<double>(length) : cost;
    s.priority = priority;
    s.userData = data;
}

void TCut1D::Run() { impl_->Run(); }

void TCut1D::set_OnProgressInner(std::function<void()> callback) { impl_->progressInner = std::move(callback); }
void TCut1D::set_OnProgressOuter(std::function<void()> callback) { impl_->progressOuter = std::move(callback); }
void TCut1D::set_OnFinished(std::function<void()> callback) { impl_->finished = std::move(callback); }
void TCut1D::set_OnUnused(std::function<void()> callback) { impl_->unused = std::move(callback); }

int32_t TCut1D::GetBarCount() const { return impl_->idle ? static_cast<int32_t>(impl_->solution.bars.size()) : 0; }

std::optional<cut1d_bar_info> TCut1D::GetBar(int32_t b) const
{
    const BarUtilization* bar = impl_->Bar(b);
    if (!bar) return std::nullopt;
    return cut1d_bar_info{bar->PieceCount(), bar->barNumber, impl_->BarData(bar->barNumber)};
}

std::optional<cut1d_bar_waste> TCut1D::GetBarWaste(int32_t b) const
{
    const BarUtilization* bar = impl_->Bar(b);
    if (!bar) return std::nullopt;
    return cut1d_bar_waste{bar->waste, bar->barNumber, impl_->BarData(bar->barNumber)};
}

std::optional<cut1d_bar_piece> TCut1D::GetBarPiece(int32_t b, int32_t i) const
{
    const BarUtilization* bar = impl_->Bar(b);
    if (!bar || i < 0 || i >= bar->PieceCount()) return std::nullopt;
    const BarCut& cut = bar->cuts[static_cast<size_t>(i)];
    cut1d_bar_piece out;
    out.piece_number = cut.piece;
    out.mirrored = cut.mirrored;
    out.turned = cut.turned;
    out.swapped = cut.swapped;
    out.bar_number = bar->barNumber;
    out.bar_data = impl_->BarData(bar->barNumber);
    if (cut.piece >= 0 && cut.piece < static_cast<int32_t>(impl_->pieces.size()))
        out.piece_data = impl_->pieces[static_cast<size_t>(cut.piece)].userData;
    return out;
}

int32_t TCut1D::GetTotalPieces() const { return impl_->idle ? impl_->totalPieces : 0; }

int32_t TCut1D::GetPieceCount() const { return impl_->idle ? static_cast<int32_t>(impl_->pieces.size()) : 0; }

std::optional<cut1d_piece_info> TCut1D::GetPiece(int32_t i) const
{
    if (!impl_->idle || i < 0 || i >= static_cast<int32_t>(impl_->pieces.size())) return std::nullopt;
    const part1d& p = impl_->pieces[static_cast<size_t>(i)];
    return cut1d_piece_info{p.length, p.angle1, p.angle2, p.userData};
}

int32_t TCut1D::GetStockCount() const { return impl_->idle ? static_cast<int32_t>(impl_->bars.size()) : 0; }

std::optional<cut1d_stock_info> TCut1D::GetStock(int32_t i) const
{
    if (!impl_->idle || i < 0 || i >= static_cast<int32_t>(impl_->bars.size())) return std::nullopt;
    const stock1d& s = impl_->bars[static_cast<size_t>(i)];
    return cut1d_stock_info{s.length, s.cost, s.priority, s.userData};
}
