// Richardson extrapolation with its order checked.
#include "core/base/richardson.h"

#include <algorithm>
#include <cmath>

namespace {

// No estimate is closer than the rounding of the solves that made it: a few hundred
// roundings of the value, as a factorisation of some thousand unknowns leaves.
richardson at_least_rounding(richardson r) {
    r.error = std::max(r.error, 1e-13 * std::fabs(r.value));
    return r;
}

richardson estimate(const double *values, std::size_t count, double expected_order);

} // namespace

richardson richardson_estimate(const double *values, std::size_t count, double expected_order) {
    return at_least_rounding(estimate(values, count, expected_order));
}

namespace {

richardson estimate(const double *values, std::size_t count, double expected_order) {
    double last = values[count - 1];
    if (count < 3) {
        double error = count < 2 ? INFINITY : std::fabs(last - values[count - 2]);
        return {last, error, 0.0, false};
    }
    double d1 = values[count - 2] - values[count - 3];
    double d2 = last - values[count - 2];
    if (d2 == 0) return {last, std::fabs(d1) / 15, 0.0, false};
    if (d1 * d2 > 0 && std::fabs(d2) < std::fabs(d1)) {
        double ratio = d1 / d2;
        double order = std::log2(ratio);
        double correction = d2 / (ratio - 1);
        if (std::fabs(order - expected_order) <= 0.5)
            return {last + correction, std::max(std::fabs(correction), std::fabs(d2) / 15), order,
                    true};
        // Slower than promised: what a steady ratio would still leave. Faster than
        // promised: error terms of opposite signs cancelling for a while, which can turn
        // round; the earlier difference at the promised rate bounds what remains.
        double rest = order < expected_order ? std::fabs(correction)
                                             : std::fabs(d1) * std::exp2(-expected_order);
        return {last, std::max(rest, std::fabs(d2)), order, false};
    }
    return {last, std::max(std::fabs(d1), std::fabs(d2)), 0.0, false};
}

} // namespace
