// The line types against the independent finite-volume solution of the same
// cross-sections: within 0.02 %, and within the sum of the errors both methods state.
#include "core/graded/line_types.h"
#include "studies/line_study.h"
#include "tests/physics/validation/fd_section.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double far = std::numeric_limits<double>::infinity();

line_estimate engine(const line_geometry &g) {
    calc_env env;
    cross_section xs{};
    EXPECT_TRUE(line_section(env, g, xs));
    return line_study_run(xs, 5e-4, false, env);
}

void expect_agree(double engine, double engine_error, double reference, double reference_error,
                  const char *what) {
    EXPECT_NEAR(engine, reference, 2e-4 * std::fabs(reference)) << what;
    EXPECT_LE(std::fabs(engine - reference), engine_error + reference_error) << what;
}

// The pair's figures against the reference's.
void expect_pair(const line_estimate &e, const fd_line_figures &f) {
    const line_layout &l = e.layout;
    auto at = [&](pair_figure p) { return l.at(p); };
    expect_agree(e.value[at(pair_figure::zdiff)], e.error[at(pair_figure::zdiff)], f.zdiff,
                 f.zdiff_error, "Zdiff");
    expect_agree(e.value[at(pair_figure::zcommon)], e.error[at(pair_figure::zcommon)], f.zcommon,
                 f.zcommon_error, "Zcommon");
    expect_agree(e.value[at(pair_figure::eps_eff_odd)], e.error[at(pair_figure::eps_eff_odd)],
                 f.eps_eff_odd, f.eps_eff_odd_error, "eps_eff odd");
    expect_agree(e.value[at(pair_figure::eps_eff_even)], e.error[at(pair_figure::eps_eff_even)],
                 f.eps_eff_even, f.eps_eff_even_error, "eps_eff even");
}

line_geometry pair_on_board() {
    line_geometry g;
    g.type = line_type::coupled_microstrip;
    g.w = 0.3e-3;
    g.t = 35e-6;
    g.s = 0.2e-3;
    g.h = 0.2e-3;
    g.epsilon_r = 4.4;
    return g;
}

// The pair's traces as rectangles, left and right of x = 0.
void add_pair(fd_section &fd, const line_geometry &g) {
    double inner = g.s / 2, outer = g.s / 2 + g.w;
    fd.conductors.push_back({{-outer, g.h, -inner, g.h + g.t}, 1});
    fd.conductors.push_back({{inner, g.h, outer, g.h + g.t}, 2});
}

} // namespace

TEST(line_validation, coupled_microstrip_with_thick_traces) {
    line_geometry g = pair_on_board();
    fd_section fd;
    fd.lower_plane = true;
    fd.dielectrics.push_back({{-far, 0, far, g.h}, g.epsilon_r});
    add_pair(fd, g);
    expect_pair(engine(g), fd_figures(fd_solve_section(fd, fd_accuracy::quick)));
}

TEST(line_validation, coated_pair) {
    line_geometry g = pair_on_board();
    g.type = line_type::coupled_coated_microstrip;
    g.mask = 25e-6;
    g.epsilon_mask = 3.5;
    fd_section fd;
    fd.lower_plane = true;
    // The mask over the bare board and round each trace, the substrate under it.
    fd.dielectrics.push_back({{-far, g.h, far, g.h + g.mask}, g.epsilon_mask});
    double inner = g.s / 2, outer = g.s / 2 + g.w;
    fd.dielectrics.push_back(
        {{-outer - g.mask, g.h, -inner + g.mask, g.h + g.t + g.mask}, g.epsilon_mask});
    fd.dielectrics.push_back(
        {{inner - g.mask, g.h, outer + g.mask, g.h + g.t + g.mask}, g.epsilon_mask});
    fd.dielectrics.push_back({{-far, 0, far, g.h}, g.epsilon_r});
    add_pair(fd, g);
    expect_pair(engine(g), fd_figures(fd_solve_section(fd, fd_accuracy::quick)));
}

TEST(line_validation, offset_stripline_and_grounded_cpw) {
    line_geometry s;
    s.type = line_type::stripline;
    s.w = 0.2e-3;
    s.t = 35e-6;
    s.h = 0.15e-3;
    s.h2 = 0.3e-3;
    s.epsilon_r = 4.4;
    s.epsilon_r2 = 3.8;
    fd_section strip;
    strip.lower_plane = strip.upper_plane = true;
    strip.upper_height = s.h + s.t + s.h2;
    strip.dielectrics.push_back({{-far, s.h, far, strip.upper_height}, s.epsilon_r2});
    strip.dielectrics.push_back({{-far, 0, far, s.h}, s.epsilon_r});
    strip.conductors.push_back({{-s.w / 2, s.h, s.w / 2, s.h + s.t}, 1});
    line_estimate e = engine(s);
    fd_line_figures f = fd_figures(fd_solve_section(strip, fd_accuracy::quick));
    expect_agree(e.value[0], e.error[0], f.z0, f.z0_error, "stripline Z0");
    expect_agree(e.value[1], e.error[1], f.eps_eff, f.eps_eff_error, "stripline eps_eff");

    line_geometry c;
    c.type = line_type::gcpw;
    c.w = 0.3e-3;
    c.t = 35e-6;
    c.g = 0.15e-3;
    c.h = 0.2e-3;
    c.epsilon_r = 4.4;
    c.ground_width = 2e-3;
    fd_section cpw;
    cpw.lower_plane = true;
    cpw.dielectrics.push_back({{-far, 0, far, c.h}, c.epsilon_r});
    cpw.conductors.push_back({{-c.w / 2, c.h, c.w / 2, c.h + c.t}, 1});
    double gap = c.w / 2 + c.g;
    cpw.conductors.push_back({{-gap - c.ground_width, c.h, -gap, c.h + c.t}, 0});
    cpw.conductors.push_back({{gap, c.h, gap + c.ground_width, c.h + c.t}, 0});
    e = engine(c);
    f = fd_figures(fd_solve_section(cpw, fd_accuracy::quick));
    expect_agree(e.value[0], e.error[0], f.z0, f.z0_error, "gcpw Z0");
    expect_agree(e.value[1], e.error[1], f.eps_eff, f.eps_eff_error, "gcpw eps_eff");
}
