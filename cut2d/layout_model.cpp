#include "layout_model.h"

#include <algorithm>
#include <cmath>

#include "util/tolerance.h"

bool StocksIdentical(const stock2d& a, const stock2d& b)
{
    if (a.length != b.length || a.width != b.width) return false;
    if (a.trim_y0 != b.trim_y0 || a.trim_x0 != b.trim_x0 || a.trim_yW != b.trim_yW || a.trim_xL != b.trim_xL)
        return false;
    if (a.priority != b.priority || a.holes.size() != b.holes.size() || a.grain != b.grain) return false;
    for (size_t i = 0; i < a.holes.size(); ++i) {
        const hole2d& p = a.holes[i];
        const hole2d& q = b.holes[i];
        if (p.x1 != q.x1 || p.y1 != q.y1 || p.x2 != q.x2 || p.y2 != q.y2) return false;
    }
    return std::fabs(a.value - b.value) <= 1e-6;
}

void waste_ranking::Add(double a)
{
    total += a;
    const double t = 0.01;
    int c = stv::CompareWithin(a, largest, t);
    if (c > 0) {
        third = second;
        second = largest;
        largest = a;
        return;
    }
    if (c == 0) {
        third = second;
        second = largest;
        return;
    }
    c = stv::CompareWithin(a, second, t);
    if (c > 0) {
        third = second;
        second = a;
        return;
    }
    if (c == 0) {
        third = second;
        return;
    }
    if (stv::GreaterBeyond(a, third, t)) third = a;
}

void priority_profile::Add(int32_t priority, double piece_area)
{
    auto it = std::lower_bound(key.begin(), key.end(), priority);
    size_t pos = static_cast<size_t>(it - key.begin());
    if (it == key.end() || *it != priority) {
        key.insert(it, priority);
        area.insert(area.begin() + static_cast<std::ptrdiff_t>(pos), 0.0);
    }
    area[pos] += piece_area;
}

void Chromosome::RecomputeTotals(int32_t minimal_useful_size)
{
    waste_area = 0.0;
    unusable_waste = 0.0;
    for (const waste2d& w : wastes) {
        double a = static_cast<double>(w.extent_x) * w.extent_y;
        waste_area += a;
        if (w.extent_x < minimal_useful_size || w.extent_y < minimal_useful_size) unusable_waste += a;
    }
    kerf_area = 0.0;
    cut_length = 0.0;
    for (const cut2d& c : cuts) {
        double len = std::abs(c.x2 - c.x1) + std::abs(c.y2 - c.y1);
        cut_length += len;
        kerf_area += len * c.kerf;
    }
}

Chromosome* TSheetList::Find(int32_t n) const
{
    if (n < 0 || n >= count()) return nullptr;
    return sheets_[static_cast<size_t>(n)].get();
}

void TSheetList::Remove(int32_t n)
{
    if (n < 0 || n >= count()) return;
    sheets_.erase(sheets_.begin() + n);
}

void TGlobalSolution::ZeroStatistics()
{
    waste_area = 0.0;
    largest_waste = 0.0;
    waste_count = 0;
    piece_count = 0;
    cut_count = 0;
    used_area = 0.0;
    lost_area = 0.0;
    last_used_length = last_used_width = last_length = last_width = 0;
}

void TGlobalSolution::Reset()
{
    sheets.Clear();
    piece_to_stock.assign(static_cast<size_t>(std::max(piece_total, 0)), -1);
    stock_to_sheet.assign(static_cast<size_t>(std::max(stock_count, 0)), -1);
    ZeroStatistics();
}

void TGlobalSolution::Clear()
{
    sheets.Clear();
    piece_to_stock.clear();
    stock_to_sheet.clear();
    ZeroStatistics();
    stock_count = 0;
    piece_total = 0;
}

void TGlobalSolution::CopyFrom(const TGlobalSolution& other)
{
    if (&other == this) return;
    Clear();
    for (int32_t i = 0; i < other.sheets.count(); ++i)
        sheets.Append(std::make_unique<Chromosome>(*other.sheets.Find(i)));
    waste_area = other.waste_area;
    largest_waste = other.largest_waste;
    waste_count = other.waste_count;
    piece_count = other.piece_count;
    cut_count = other.cut_count;
    piece_to_stock = other.piece_to_stock;
    stock_to_sheet = other.stock_to_sheet;
    stock_count = other.stock_count;
    piece_total = other.piece_total;
    used_area = other.used_area;
    lost_area = other.lost_area;
    last_used_length = other.last_used_length;
    last_used_width = other.last_used_width;
    last_length = other.last_length;
    last_width = other.last_width;
}

void TGlobalSolution::Finalise(int32_t minimal_useful_size)
{
    waste_count = piece_count = cut_count = 0;
    waste_area = used_area = lost_area = 0.0;
    for (int32_t i = 0; i < sheets.count(); ++i) {
        Chromosome& s = *sheets.Find(i);
        waste_count += s.waste_count();
        piece_count += s.piece_count();
        cut_count += s.cut_count();
        used_area += s.used_area;
        lost_area += static_cast<double>(s.length) * s.width - s.used_area;
        if (s.largest_waste > largest_waste) largest_waste = s.largest_waste;
        s.RecomputeTotals(minimal_useful_size);
        waste_area += s.waste_area;
    }
    if (sheets.count() > 0) {
        const Chromosome& last = *sheets.Find(sheets.count() - 1);
        last_used_length = last.used_length;
        last_used_width = last.used_width;
        last_length = last.length;
        last_width = last.width;
    }
}

int32_t TGlobalSolution::CountPlacedPieces() const
{
    int32_t n = 0;
    for (int32_t i = 0; i < sheets.count(); ++i) n += sheets.Find(i)->piece_count();
    return n;
}

int CompareSheets(const Chromosome& a, const Chromosome& b)
{
    if (a.length != b.length || a.width != b.width) return 1;
    if (a.profile.count() == 0 || b.profile.count() == 0) return 1;
    if (a.profile.key[0] != b.profile.key[0]) return a.profile.key[0] < b.profile.key[0] ? -1 : 1;
    int c = stv::CompareWithin(a.profile.area[0], b.profile.area[0], 0.01);
    return c == 0 ? 0 : (c > 0 ? -1 : 1);
}

bool SolutionBetter(const TGlobalSolution& n, const TGlobalSolution& b, const remnant_rule& rule)
{
    if (b.piece_count == 0) return n.piece_count > 0;
    if (n.piece_count == 0) return false;

    int c = stv::CompareWithin(n.used_area, b.used_area, 0.0001);
    if (c != 0) return c > 0;

    if (b.lost_area - n.lost_area > 0.001) return true;
    if (n.lost_area - b.lost_area > 0.01) return false;

    int32_t common = std::min(n.sheets.count(), b.sheets.count());
    for (int32_t i = 0; i < common; ++i) {
        int s = CompareSheets(*n.sheets.Find(i), *b.sheets.Find(i));
        if (s != 0) return s < 0;
    }

    if (rule.on) {
        int32_t ne = 0, be = 0;
        if (rule.staged_method) {
            ne = rule.first_direction == 0 ? n.last_used_width : n.last_used_length;
            be = rule.first_direction == 0 ? b.last_used_width : b.last_used_length;
        } else if (n.last_length > n.last_width) {
            ne = n.last_used_length;
            be = b.last_used_length;
        } else if (n.last_length < n.last_width) {
            ne = n.last_used_width;
            be = b.last_used_width;
        } else {
            return std::min(n.last_used_length, n.last_used_width) < std::min(b.last_used_length, b.last_used_width);
        }
        if (ne != be) return ne < be;
    }

    c = stv::CompareWithin(n.largest_waste, b.largest_waste, 0.01);
    if (c != 0) return c > 0;
    return n.waste_count < b.waste_count;
}
