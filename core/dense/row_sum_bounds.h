// Certified bounds on the row sums of the inversion's pivot search. The pivot rule needs
// each candidate row's sum of magnitudes over the active columns, rounded exactly as
// the rule adds it; most rows cannot win, and for them an interval that provably holds
// that sum is enough. The intervals follow the elimination step by step from bounds on
// the updates, without reading the rows, and are reset from a sum whenever one is
// computed. All arithmetic rounds to nearest; each rounding is paid for by a widening
// factor or an absolute term, so no change of the rounding mode is needed.
#pragma once

#include <cstddef>

// Bounds [lo, hi] on the real sum of a row's magnitudes; hi is NaN where nothing is
// known (a sum or a bound that was not finite).
struct sum_bounds {
    double lo;
    double hi;
};

// The bounds on the real sum T of `terms` magnitudes whose sum, added in order from
// +0.0 with one rounding per addition, came out as `sum`. Cannot fail.
sum_bounds sum_bounds_from(double sum, std::size_t terms);

// The bounds of rows [begin, end) carried over an elimination step: row j's multiplier
// is mult[j] (its entry in the pivot column, unscaled), which leaves the active columns,
// and the row gains mult[j] times the scaled pivot row, whose magnitudes over the columns
// that stay active sum to at most pivot_sum; n is the order of the matrix. Cannot fail.
void sum_bounds_step(double *lo, double *hi, const double *mult, std::size_t begin, std::size_t end,
                     double pivot_sum, std::size_t n);

// The bounds on a candidate's ratio |a| / S, where `magnitude` is |a| (finite, not zero)
// and S the pivot search's rounded sum over `terms` columns of a row whose real sum lies
// in `bounds`. known is false where the bounds say nothing; then lo is 0.
struct ratio_bounds {
    double lo;
    double hi;
    bool known;
};
ratio_bounds ratio_bounds_of(double magnitude, sum_bounds bounds, std::size_t terms);
