#include "bar_checker.h"

#include <cmath>
#include <numbers>
#include <sstream>

#include "cut1d/TCut1D.h"

namespace {

constexpr double kTol = 1e-5;

double Fold(double a) { return a > 90.0 ? 180.0 - a : a; }

void Oriented(const BarJob::Piece& p, const CheckedLayout::Cut& c, double& front, double& back)
{
    double a1 = p.angle1, a2 = p.angle2;
    if (c.mirrored) {
        a1 = 180.0 - a1;
        a2 = 180.0 - a2;
    }
    if (c.turned) {
        const double t1 = 180.0 - a2, t2 = 180.0 - a1;
        a1 = t1;
        a2 = t2;
    }
    if (c.swapped) std::swap(a1, a2);
    front = a1;
    back = a2;
}

double Radians(double d) { return d * std::numbers::pi / 180.0; }

}  // namespace

double ConsumedLength(const BarJob& job, const CheckedLayout& layout, std::string* problem)
{
    double consumed = 0.0;
    double previousBack = 90.0;
    for (size_t i = 0; i < layout.cuts.size(); ++i) {
        const auto& cut = layout.cuts[i];
        const BarJob::Piece& piece = job.pieces[static_cast<size_t>(cut.piece)];
        double front = 0.0, back = 0.0;
        Oriented(piece, cut, front, back);
        if (i == 0) {
            consumed += piece.length;
        } else {
            const double t = Fold(previousBack);
            const double f = Fold(front);
            const double along = job.kerf == 0 ? 0.0 : job.kerf / std::cos(Radians(90.0 - t));
            const double larger = std::max(f, t);
            double saving = 0.0;
            if (std::fabs(larger - 90.0) > kTol) {
                saving = job.width / std::tan(Radians(larger));
                // A saving needs the two ends to lie along one diagonal cut.
                const bool opposite = (previousBack - 90.0) * (front - 90.0) < 0.0;
                if (!opposite && saving > kTol && problem) {
                    std::ostringstream s;
                    s << "bar " << layout.barNumber << ": joint " << i << " claims a mitre saving but the cuts "
                      << previousBack << " and " << front << " do not match";
                    *problem = s.str();
                }
            }
            consumed += piece.length + along - saving;
        }
        previousBack = back;
    }
    return consumed;
}

std::vector<std::string> CheckLayouts(const BarJob& job, const std::vector<CheckedLayout>& layouts)
{
    std::vector<std::string> problems;
    auto report = [&](const std::string& text) { problems.push_back(text); };
    std::vector<int> pieceSeen(job.pieces.size(), 0);
    std::vector<int> barSeen(job.barLengths.size(), 0);
    for (const auto& layout : layouts) {
        std::ostringstream where;
        where << "bar " << layout.barNumber << ": ";
        if (layout.barNumber < 0 || layout.barNumber >= static_cast<int32_t>(job.barLengths.size())) {
            report(where.str() + "no such bar");
            continue;
        }
        if (++barSeen[static_cast<size_t>(layout.barNumber)] > 1) report(where.str() + "used twice");
        if (layout.cuts.empty()) report(where.str() + "has no pieces");
        bool piecesValid = true;
        int64_t used = 0;
        for (const auto& cut : layout.cuts) {
            if (cut.piece < 0 || cut.piece >= static_cast<int32_t>(job.pieces.size())) {
                report(where.str() + "unknown piece " + std::to_string(cut.piece));
                piecesValid = false;
                continue;
            }
            if (++pieceSeen[static_cast<size_t>(cut.piece)] > 1)
                report(where.str() + "piece " + std::to_string(cut.piece) + " cut more than once");
            used += job.pieces[static_cast<size_t>(cut.piece)].length;
            if (job.pieces[static_cast<size_t>(cut.piece)].length <= 0)
                report(where.str() + "holds a piece without length");
        }
        if (!piecesValid) continue;
        const int32_t length = job.barLengths[static_cast<size_t>(layout.barNumber)];
        std::string mitreProblem;
        const double consumed = ConsumedLength(job, layout, &mitreProblem);
        if (!mitreProblem.empty()) report(mitreProblem);
        if (consumed > length + kTol) {
            std::ostringstream s;
            s << where.str() << "pieces and kerfs take " << consumed << " of " << length;
            report(s.str());
        }
        const double expectedWaste = std::max(0.0, length - consumed - job.kerf);
        if (std::fabs(expectedWaste - layout.waste) > 1e-4) {
            std::ostringstream s;
            s << where.str() << "waste reported " << layout.waste << ", pieces leave " << expectedWaste;
            report(s.str());
        }
        if (layout.usedLength >= 0 && layout.usedLength != used) {
            std::ostringstream s;
            s << where.str() << "used length reported " << layout.usedLength << ", pieces sum to " << used;
            report(s.str());
        }
    }
    return problems;
}

std::vector<std::string> CheckSolution(const BarJob& job, const SolutionCut1D& solution)
{
    std::vector<CheckedLayout> layouts;
    for (const auto& bar : solution.bars) {
        CheckedLayout layout;
        layout.barNumber = bar.barNumber;
        layout.waste = bar.waste;
        layout.usedLength = bar.usedLength;
        for (const auto& c : bar.cuts) layout.cuts.push_back({c.piece, c.mirrored, c.turned, c.swapped});
        layouts.push_back(std::move(layout));
    }
    std::vector<std::string> problems = CheckLayouts(job, layouts);
    auto report = [&](const std::string& text) { problems.push_back("solution: " + text); };

    int64_t used = 0, stock = 0;
    double waste = 0.0;
    int32_t withWaste = 0;
    for (const auto& bar : solution.bars) {
        used += bar.usedLength;
        if (bar.barNumber >= 0 && bar.barNumber < static_cast<int32_t>(job.barLengths.size())) {
            stock += job.barLengths[static_cast<size_t>(bar.barNumber)];
            if (bar.barLength != job.barLengths[static_cast<size_t>(bar.barNumber)])
                report("bar " + std::to_string(bar.barNumber) + " has the wrong length");
        }
        waste += bar.waste;
        withWaste += bar.waste > 1e-6 ? 1 : 0;
    }
    if (used != solution.usedLength) report("usedLength " + std::to_string(solution.usedLength) + " != " + std::to_string(used));
    if (stock != solution.stockLength)
        report("stockLength " + std::to_string(solution.stockLength) + " != " + std::to_string(stock));
    if (std::fabs(waste - solution.waste) > 1e-3) report("waste total disagrees with the bars");
    if (withWaste != solution.barsWithWaste) report("barsWithWaste disagrees with the bars");

    if (solution.pieceToBar.size() != job.pieces.size() || solution.barToIndex.size() != job.barLengths.size()) {
        report("maps have the wrong size");
        return problems;
    }
    std::vector<int32_t> expectedPieceToBar(job.pieces.size(), -1);
    std::vector<int32_t> expectedBarToIndex(job.barLengths.size(), -1);
    for (size_t b = 0; b < solution.bars.size(); ++b) {
        const auto& bar = solution.bars[b];
        if (bar.barNumber < 0 || bar.barNumber >= static_cast<int32_t>(job.barLengths.size())) continue;
        expectedBarToIndex[static_cast<size_t>(bar.barNumber)] = static_cast<int32_t>(b);
        for (const auto& c : bar.cuts)
            if (c.piece >= 0 && c.piece < static_cast<int32_t>(job.pieces.size()))
                expectedPieceToBar[static_cast<size_t>(c.piece)] = bar.barNumber;
    }
    if (expectedPieceToBar != solution.pieceToBar) report("pieceToBar disagrees with the cuts");
    if (expectedBarToIndex != solution.barToIndex) report("barToIndex disagrees with the bars");
    return problems;
}

std::vector<CheckedLayout> CollectLayouts(const TCut1D& optimiser)
{
    std::vector<CheckedLayout> layouts;
    for (int32_t b = 0; b < optimiser.GetBarCount(); ++b) {
        const auto bar = optimiser.GetBar(b);
        const auto waste = optimiser.GetBarWaste(b);
        if (!bar || !waste) continue;
        CheckedLayout layout;
        layout.barNumber = bar->bar_number;
        layout.waste = waste->waste;
        for (int32_t i = 0; i < bar->piece_count; ++i) {
            const auto cut = optimiser.GetBarPiece(b, i);
            if (!cut) continue;
            layout.cuts.push_back({cut->piece_number, cut->mirrored, cut->turned, cut->swapped});
        }
        layouts.push_back(std::move(layout));
    }
    return layouts;
}
