#pragma once
// Tolerant comparison of doubles: equal within t, otherwise the larger is greater.
#include <cmath>

namespace stv {

inline bool EqualWithin(double a, double b, double t) { return std::fabs(a - b) <= t; }
inline bool GreaterBeyond(double a, double b, double t) { return a - b > t; }
inline bool LessBeyond(double a, double b, double t) { return b - a > t; }
// -1 when a < b beyond t, 1 when a > b beyond t, 0 when equal within t.
inline int CompareWithin(double a, double b, double t)
{
    if (EqualWithin(a, b, t)) return 0;
    return a < b ? -1 : 1;
}

}  // namespace stv
