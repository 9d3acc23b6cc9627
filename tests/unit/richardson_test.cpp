// The error estimate of refined solves: extrapolated only at the order promised, never
// worse than the finest solve.
#include "core/base/richardson.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(richardson, extrapolates_at_the_promised_order_and_otherwise_keeps_the_finest) {
    // Second order exactly: 1 + h^2 for h = 1, 1/2, 1/4 extrapolates to 1.
    double second[] = {2.0, 1.25, 1.0625};
    richardson r = richardson_estimate(second, 3, 2.0);
    EXPECT_TRUE(r.extrapolated);
    EXPECT_NEAR(r.value, 1.0, 1e-15);
    EXPECT_NEAR(r.order, 2.0, 1e-12);
    EXPECT_GE(r.error, std::fabs(r.value - 1.0));
    // Order 1.37: extrapolating would move past the truth, as a value seen from the slow
    // side of a mixed approach does; the finest solve stands with the remainder a steady
    // ratio leaves, which covers the truth at 1.
    double slow[3];
    for (int k = 0; k < 3; ++k)
        slow[k] = 1 + std::pow(0.5, 1.37 * k);
    r = richardson_estimate(slow, 3, 2.0);
    EXPECT_FALSE(r.extrapolated);
    EXPECT_EQ(r.value, slow[2]);
    EXPECT_GE(r.error, std::fabs(slow[2] - 1.0));
    // Faster than promised, as two error terms of opposite signs cancel for a while: the
    // sequence turns round later, and the bound holds the turn (here the limit is 1).
    double turning[] = {1 + 0.5, 1 - 0.02, 1 - 0.024, 1 - 0.015};
    r = richardson_estimate(turning, 3, 2.0);
    EXPECT_FALSE(r.extrapolated);
    EXPECT_GE(r.error, std::fabs(turning[2] - 1.0));
    // No orderly approach: the larger difference; one value: no error known.
    double scattered[] = {1.0, 1.2, 0.9};
    r = richardson_estimate(scattered, 3, 2.0);
    EXPECT_EQ(r.value, 0.9);
    EXPECT_NEAR(r.error, 0.3, 1e-15);
    EXPECT_TRUE(std::isinf(richardson_estimate(scattered, 1, 2.0).error));
}
