// The row-sum intervals of the pivot search. u is the unit roundoff 2^-53 and eta the
// smallest subnormal. A rounded sum S of m non-negative terms lies within the factors
// (1 - u)^(m-1) and (1 + u)^(m-1) of the real sum (additions have no absolute error,
// even among subnormals), and those factors lie within 1 -+ 2(m + 2)u. A product or
// quotient rounds within a factor 1 -+ u plus an absolute eta / 2 where it underflows.
#include "core/dense/row_sum_bounds.h"

#include <cmath>

namespace {

constexpr double eta = 0x1p-1074;

// 1 + 2(m + 2)u and 1 - 2(m + 2)u, both exact: (m + 2) 2^-52 is a multiple of the
// spacing of doubles next to 1.
double widening(std::size_t terms) {
    return 1.0 + double(terms + 2) * 0x1p-52;
}
double narrowing(std::size_t terms) {
    return 1.0 - double(terms + 2) * 0x1p-52;
}

// Covers the few roundings of one bound's formula: 1 + 8u.
constexpr double up = 1.0 + 0x1p-50;
constexpr double down = 1.0 - 0x1p-50;

// Bounds beyond this are dropped: below it no update of a row whose real sum it bounds
// can overflow, so every entry stays finite.
constexpr double largest_bound = 0x1p1000;

double known_or_nan(double hi) {
    return hi <= largest_bound ? hi : std::nan("");
}

double at_least_zero(double x) {
    return x > 0.0 ? x : 0.0;
}

} // namespace

sum_bounds sum_bounds_from(double sum, std::size_t terms) {
    if (!std::isfinite(sum)) return {0.0, std::nan("")};
    // T >= S (1 - (m-1)u) and T <= S (1 + gamma), gamma = (m-1)u / (1 - (m-1)u); eta
    // covers the product's underflow.
    double lo = at_least_zero(sum * narrowing(terms) - eta);
    double hi = sum * widening(terms) + eta;
    return {lo, known_or_nan(hi)};
}

void sum_bounds_step(double *lo, double *hi, const double *mult, std::size_t begin, std::size_t end,
                     double pivot_sum, std::size_t n) {
    // Each updated entry is |(m * p)(1 + d1) + e1 + a| (1 + d2) with |d| <= u and
    // |e1| <= eta / 2, so over the active columns the new real sum T' satisfies
    //   T' <= (1 + u)((T - |m|) + (1 + u)|m| P + n eta / 2),
    //   T' >= (1 - u)((T - |m|) - (1 + u)|m| P - n eta / 2),
    // P the real sum of the pivot row's magnitudes. The factors up and down and the
    // absolute term cover these and the roundings of the formulas themselves.
    double absolute = double(2 * (n + 4)) * eta;
    for (std::size_t j = begin; j < end; ++j) {
        double m = std::fabs(mult[j]);
        double gain = (m * pivot_sum) * up;
        double upper = (((hi[j] - m) * up + gain) + absolute) * up;
        hi[j] = known_or_nan(upper);
        double lower = ((((lo[j] - m) * down - gain) - absolute) * down);
        lo[j] = at_least_zero(lower);
    }
}

ratio_bounds ratio_bounds_of(double magnitude, sum_bounds bounds, std::size_t terms) {
    // The rule's sum S lies in [T (1 - (m-1)u), T (1 + gamma)], and never below the
    // candidate's own magnitude, its first term. The quotient rounds monotonically, so
    // the rounded ratios at the ends of that range bound the rounded ratio.
    double s_lo = bounds.lo * narrowing(terms) - eta;
    if (!(s_lo >= magnitude)) s_lo = magnitude;
    double q_hi = magnitude / s_lo;
    if (std::isnan(bounds.hi)) return {0.0, q_hi, false};
    double s_hi = bounds.hi * widening(terms) + eta;
    return {magnitude / s_hi, q_hi, true};
}
