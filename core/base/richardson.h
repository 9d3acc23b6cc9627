// The error estimate of a refined sequence of solves: Richardson extrapolation of the
// last three, trusted only when the order they show is the order the discretisation
// promises, so that the estimate is never worse than the finest solve itself.
#pragma once

#include <cstddef>

struct richardson {
    double value;      // the estimate
    double error;      // a bound on its error
    double order;      // the order the last three show (0 when they show none)
    bool extrapolated; // false: the finest solve stands
};

// From values[0 .. count) computed with the step halved each time. Halving leaves an
// error ~ C h^q, so with the differences d1, d2 of the last three values their ratio is
// 2^q and the limit lies at v + d2 / (ratio - 1). When q lies within 0.5 of
// expected_order, that limit is the estimate and its error the correction itself (never
// less than d2 / 15: an order above 4 is taken for chance). Otherwise the finest value
// stands, at least |d2| from the limit: below the promised order with the remainder a
// steady ratio would leave, |d2| / (ratio - 1); above it (error terms cancelling, which
// can turn round) with the earlier difference at the promised rate, |d1| / 2^order;
// without an orderly approach (a change of sign or a growing difference), with the
// larger difference. One value has an infinite error, two the difference. No error is
// below 1e-13 of the value: the solves' own rounding.
richardson richardson_estimate(const double *values, std::size_t count, double expected_order);
