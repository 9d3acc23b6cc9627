// The accurate variant against an independent method: the finite-volume solution of the
// same cross-section (tests/validation), on a narrow slab, thick strips, an offset pair
// and vacuum. The converged boundary-element answer must agree within 0.02% and within
// the two methods' stated errors together.
#include "tests/physics/validation/validation_cases.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

TEST(validation, accurate_variant_agrees_with_finite_volumes) {
    const validation_case cases[] = {
        {"narrow slab microstrip", {2.4e-3, 0, true, 0.79e-3, 0, 2.2, 0.1e-3, 0}},
        {"narrow strip, narrow slab", {0.1e-3, 0, true, 1.6e-3, 0, 4.4, 1e-3, 0}},
        {"thick strips", {2.4e-3, 10e-3, false, 0.79e-3, 0, 2.2, 2e-3, 0.1e-3}},
        {"offset pair, 35 um", {2.4e-3, 10e-3, false, 0.79e-3, 1.5e-3, 2.2, 0.5e-3, 35e-6}},
        {"vacuum", {2.4e-3, 10e-3, false, 0.79e-3, 0, 1.0, 2e-3, 0}},
    };
    for (const validation_case &c : cases) {
        convergence bem = study_converge(texts_of(c.line), 0.00002, calc_env{});
        ASSERT_TRUE(bem.converged) << c.name;
        fd_result fv = fd_solve(c.line, fd_accuracy::quick);
        double z0_gap = std::fabs(bem.z0 - fv.z0), eps_gap = std::fabs(bem.eps_eff - fv.eps_eff);
        EXPECT_LE(z0_gap, 2e-4 * fv.z0) << c.name;
        EXPECT_LE(eps_gap, 2e-4 * fv.eps_eff) << c.name;
        EXPECT_LE(z0_gap, bem.z0_error + fv.z0_error) << c.name;
        EXPECT_LE(eps_gap, bem.eps_eff_error + fv.eps_eff_error) << c.name;
    }
}

} // namespace
