// The line types against the independent finite-volume solution of the same
// cross-sections: within 0.02 %, and within the sum of the errors both methods state.
#include "studies/line_study.h"
#include "tests/physics/validation/line_cases.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(line_validation, pairs_striplines_and_coplanar_lines_agree_with_finite_volumes) {
    for (const line_case &c : line_cases()) {
        calc_env env;
        cross_section xs{};
        ASSERT_TRUE(line_section(env, c.line, xs)) << c.name;
        line_estimate e = line_study_run(xs, 5e-4, false, env);
        ASSERT_TRUE(e.estimated) << c.name;
        fd_line_figures f = fd_figures(fd_solve_section(c.reference, fd_accuracy::quick));
        const line_layout &l = e.layout;
        struct figure {
            const char *name;
            std::size_t at;
            double reference, reference_error;
        };
        std::vector<figure> figures =
            l.n == 1 ? std::vector<figure>{{"Z0", l.at(line_figure::z0), f.z0, f.z0_error},
                                           {"eps_eff", l.at(line_figure::eps_eff), f.eps_eff,
                                            f.eps_eff_error}}
                     : std::vector<figure>{
                           {"Zdiff", l.at(pair_figure::zdiff), f.zdiff, f.zdiff_error},
                           {"Zcommon", l.at(pair_figure::zcommon), f.zcommon, f.zcommon_error},
                           {"eps_eff odd", l.at(pair_figure::eps_eff_odd), f.eps_eff_odd,
                            f.eps_eff_odd_error},
                           {"eps_eff even", l.at(pair_figure::eps_eff_even), f.eps_eff_even,
                            f.eps_eff_even_error}};
        for (const figure &g : figures) {
            double value = e.value[g.at], error = e.error[g.at];
            EXPECT_NEAR(value, g.reference, 2e-4 * std::fabs(g.reference)) << c.name << g.name;
            EXPECT_LE(std::fabs(value - g.reference), error + g.reference_error)
                << c.name << " " << g.name;
        }
    }
}
