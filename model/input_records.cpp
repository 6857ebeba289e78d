#include "model/input_records.h"

#include <cmath>

namespace {

constexpr double kTol = fractional_double::kTolerance;

bool SameText(const my_w_string& a, const my_w_string& b) { return a.EqualsIgnoreCase(b); }

// Turns four sides once: top <- right, left <- top, bottom <- left, right <- bottom.
template <class T>
void TurnSides(T& top, T& left, T& bottom, T& right)
{
    T old_top = std::move(top);
    top = std::move(right);
    right = std::move(bottom);
    bottom = std::move(left);
    left = std::move(old_top);
}

// Both sizes clearly above zero: more than the tolerance beyond 0.000001.
bool BothSizesPositive(const fractional_double& length, const fractional_double& width)
{
    return length > kTol && width > kTol;
}

bool EitherSizeZero(const fractional_double& length, const fractional_double& width)
{
    return length == 0.0 || width == 0.0;
}

}  // namespace

void cant::Rotate(int32_t turn)
{
    if (turn != 0) {
        TurnSides(top_name, left_name, bottom_name, right_name);
        TurnSides(top_thick, left_thick, bottom_thick, right_thick);
    }
    rotated = turn;
}

bool cant::SameNames(const cant& other) const
{
    return SameText(top_name, other.top_name) && SameText(left_name, other.left_name) &&
           SameText(bottom_name, other.bottom_name) && SameText(right_name, other.right_name);
}

void grinding_as_number_2d::Rotate(int32_t turn)
{
    if (turn != 0) TurnSides(top_thick, left_thick, bottom_thick, right_thick);
    rotated = static_cast<uint8_t>(turn != 0 ? 1 : 0);
}

bool grinding_as_number_2d::SameThicknesses(const grinding_as_number_2d& other) const
{
    return top_thick.RecordEquals(other.top_thick) && left_thick.RecordEquals(other.left_thick) &&
           bottom_thick.RecordEquals(other.bottom_thick) && right_thick.RecordEquals(other.right_thick);
}

bool part_as_number_2d::SameAs(const part_as_number_2d& other) const
{
    if (!length.RecordEquals(other.length) || !width.RecordEquals(other.width)) return false;
    if (grain != other.grain || allow_rotation != other.allow_rotation || useit != other.useit) return false;
    if (!SameText(material, other.material) || !SameText(label, other.label) || !SameText(customer, other.customer))
        return false;
    if (!edge_band.SameNames(other.edge_band)) return false;
    if (!grinding.SameThicknesses(other.grinding)) return false;
    if (kind != other.kind) return false;
    if (kind == kKindLinear)
        return std::fabs(end_angle_1 - other.end_angle_1) <= kTol && std::fabs(end_angle_2 - other.end_angle_2) <= kTol;
    return true;
}

bool part_as_number_2d::IsFlatPiece() const { return kind == kKindFlat && BothSizesPositive(length, width); }

bool part_as_number_2d::IsLinearPiece() const
{
    return kind == kKindLinear || (kind == kKindFlat && EitherSizeZero(length, width));
}

bool stock_as_number_2d::SameAs(const stock_as_number_2d& other) const
{
    if (!length.RecordEquals(other.length) || !width.RecordEquals(other.width)) return false;
    if (grain != other.grain || useit != other.useit) return false;
    if (!SameText(material, other.material) || !SameText(label, other.label)) return false;
    if (std::fabs(price - other.price) > kTol) return false;
    if (!trim_top.RecordEquals(other.trim_top) || !trim_left.RecordEquals(other.trim_left) ||
        !trim_right.RecordEquals(other.trim_right) || !trim_bottom.RecordEquals(other.trim_bottom))
        return false;
    return priority == other.priority && kind == other.kind;
}

bool stock_as_number_2d::IsSheet() const { return kind == kKindFlat && BothSizesPositive(length, width); }

bool stock_as_number_2d::IsBar() const
{
    return kind == kKindLinear || (kind == kKindFlat && EitherSizeZero(length, width));
}
