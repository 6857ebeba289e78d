#include "cut1d/greedy_bars.h"

#include <algorithm>
#include <vector>

namespace {

// A bar while it is being filled; its remaining length is its waste.
struct OpenBar {
    BarUtilization bar;
    int64_t remaining = 0;
};

std::vector<OpenBar> OpenBars(const stock1d_array& bars)
{
    std::vector<OpenBar> open;
    open.reserve(bars.size());
    for (const auto& s : bars) {
        OpenBar b;
        b.bar.barNumber = s.number;
        b.bar.barLength = s.length;
        b.remaining = s.length;
        open.push_back(std::move(b));
    }
    return open;
}

void Place(OpenBar& b, const part1d& piece, int32_t kerf)
{
    const int64_t l = piece.length;
    if (l + kerf <= b.remaining)
        b.remaining -= l + kerf;
    else
        b.remaining = 0;  // fits only without the kerf behind it
    b.bar.usedLength += piece.length;
    BarCut cut;
    cut.piece = piece.number;
    b.bar.cuts.push_back(cut);
}

bool Fits(const OpenBar& b, const part1d& piece, int32_t maxPieces)
{
    if (piece.length < 0 || piece.length > b.remaining) return false;
    return maxPieces <= 0 || b.bar.PieceCount() < maxPieces;
}

int64_t Consumed(const BarUtilization& bar, int32_t kerf)
{
    int64_t sum = bar.usedLength;
    if (!bar.cuts.empty()) sum += static_cast<int64_t>(kerf) * (static_cast<int64_t>(bar.cuts.size()) - 1);
    return sum;
}

// Empty bars leave the solution; everything else goes in with its totals and maps.
void Close(SolutionCut1D& solution, std::vector<OpenBar>& open)
{
    for (auto& b : open) {
        if (b.bar.cuts.empty()) continue;
        b.bar.waste = static_cast<double>(b.remaining);
        solution.AddBar(std::move(b.bar));
    }
}

}  // namespace

void FirstFit(SolutionCut1D& solution, const part1d_array& pieces, const stock1d_array& bars, int32_t maxPieces,
              int32_t kerf)
{
    std::vector<OpenBar> open = OpenBars(bars);
    for (const auto& piece : pieces) {
        if (piece.length <= 0) continue;
        for (auto& b : open) {
            if (Fits(b, piece, maxPieces)) {
                Place(b, piece, kerf);
                break;
            }
        }
    }
    Close(solution, open);
}

void BestFit(SolutionCut1D& solution, const part1d_array& pieces, const stock1d_array& bars, int32_t maxPieces,
             int32_t kerf)
{
    std::vector<OpenBar> open = OpenBars(bars);
    if (open.empty()) return;
    const int64_t slackLimit = static_cast<int64_t>(bars.back().length) + 1;
    int32_t highest = -1;
    for (const auto& piece : pieces) {
        if (piece.length <= 0) continue;
        int32_t chosen = -1;
        if (highest < 0) {
            for (int32_t i = 0; i < static_cast<int32_t>(open.size()); ++i)
                if (Fits(open[static_cast<size_t>(i)], piece, maxPieces)) {
                    chosen = i;
                    break;
                }
        } else {
            const int32_t last = std::min<int32_t>(highest + 1, static_cast<int32_t>(open.size()) - 1);
            int64_t bestSlack = slackLimit;
            for (int32_t i = 0; i <= last; ++i) {
                const OpenBar& b = open[static_cast<size_t>(i)];
                if (!Fits(b, piece, maxPieces)) continue;
                const int64_t slack = b.remaining - piece.length;
                if (slack < bestSlack) {
                    bestSlack = slack;
                    chosen = i;
                }
            }
        }
        if (chosen < 0) continue;
        Place(open[static_cast<size_t>(chosen)], piece, kerf);
        highest = std::max(highest, chosen);
    }
    Close(solution, open);
}

void FirstFitMerge(SolutionCut1D& solution, const part1d_array& pieces, const stock1d_array& bars,
                   int32_t maxPieces, int32_t kerf)
{
    std::vector<OpenBar> open = OpenBars(bars);
    for (const auto& piece : pieces) {
        if (piece.length <= 0) continue;
        for (auto& b : open)
            if (Fits(b, piece, maxPieces)) {
                Place(b, piece, kerf);
                break;
            }
    }

    auto partFilled = [](const OpenBar& b) { return !b.bar.cuts.empty() && b.remaining > 0; };
    for (int32_t s = static_cast<int32_t>(open.size()) - 1; s >= 0; --s) {
        OpenBar& target = open[static_cast<size_t>(s)];
        if (!target.bar.cuts.empty()) continue;
        const int64_t targetLength = target.bar.barLength;
        bool merged = false;
        for (int32_t p = s - 1; p >= 0 && !merged; --p) {
            const OpenBar& first = open[static_cast<size_t>(p)];
            if (!partFilled(first)) continue;
            const int64_t consumedFirst = Consumed(first.bar, kerf);
            if (kerf + consumedFirst > targetLength) continue;
            for (int32_t d = p - 1; d >= 0; --d) {
                const OpenBar& second = open[static_cast<size_t>(d)];
                if (!partFilled(second)) continue;
                const int64_t h = consumedFirst + Consumed(second.bar, kerf);
                if (kerf + h > targetLength) continue;
                if (maxPieces > 0 && first.bar.PieceCount() + second.bar.PieceCount() > maxPieces) continue;
                const int64_t leftover = targetLength - kerf - h;
                if (leftover >= first.remaining + second.remaining) continue;
                // Move P's cuts, then D's, into the empty bar.
                OpenBar& from1 = open[static_cast<size_t>(p)];
                OpenBar& from2 = open[static_cast<size_t>(d)];
                target.bar.cuts = from1.bar.cuts;
                target.bar.cuts.insert(target.bar.cuts.end(), from2.bar.cuts.begin(), from2.bar.cuts.end());
                target.bar.usedLength = from1.bar.usedLength + from2.bar.usedLength;
                target.remaining = targetLength >= h + 2 * static_cast<int64_t>(kerf) ? leftover - kerf : 0;
                for (OpenBar* emptied : {&from1, &from2}) {
                    emptied->bar.cuts.clear();
                    emptied->bar.usedLength = 0;
                    emptied->remaining = emptied->bar.barLength;
                }
                merged = true;
                break;
            }
        }
    }
    Close(solution, open);
}
