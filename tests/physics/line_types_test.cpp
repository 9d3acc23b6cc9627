// The line types against exact answers of conformal mapping and against physics that
// must hold whatever the discretisation: each exact case at a fine setting within 1e-5,
// and at the default setting within the error the estimate states.
#include "core/graded/line_types.h"
#include "studies/line_study.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double eta0 = 376.730313668; // ohms, mu0 c with the CODATA 2018 constants
constexpr double pi = 3.141592653589793;

// K(k) / K(k'), the ratio every conformal map of these lines reduces to.
double k_ratio(double k) {
    return std::comp_ellint_1(k) / std::comp_ellint_1(std::sqrt(1 - k * k));
}

cross_section built(const line_geometry &g) {
    calc_env env;
    cross_section xs{};
    EXPECT_TRUE(line_section(env, g, xs));
    return xs;
}

// The default estimate and a fine one of a section.
struct estimates {
    line_estimate normal, fine;
};

estimates solve_both_ways(const line_geometry &g) {
    calc_env env;
    cross_section xs = built(g);
    return {line_study_run(xs, 5e-4, false, env), line_study_run(xs, 2e-7, false, env, {}, 7)};
}

// The figure at index f: within 1e-5 of exact at the fine setting, and the default
// setting's stated error covers its own difference.
void expect_exact(const estimates &e, std::size_t f, double exact, const char *what) {
    ASSERT_TRUE(e.fine.estimated && e.normal.estimated) << what;
    EXPECT_NEAR(e.fine.value[f], exact, 1e-5 * exact) << what;
    EXPECT_LE(std::fabs(e.normal.value[f] - exact), e.normal.error[f]) << what;
}

line_geometry stripline(double w, double b, double er) {
    line_geometry g;
    g.type = line_type::stripline;
    g.w = w;
    g.t = 0;
    g.h = b / 2;
    g.h2 = b / 2;
    g.epsilon_r = g.epsilon_r2 = er;
    return g;
}

} // namespace

TEST(line_exact, centred_stripline_of_zero_thickness) {
    // Z0 = eta0 / (4 sqrt(er)) K(k) / K(k'), k = sech(pi w / 2b).
    for (double w_over_b : {0.3, 1.0, 2.5}) {
        double b = 1e-3, er = 3.5;
        estimates e = solve_both_ways(stripline(w_over_b * b, b, er));
        double k = 1 / std::cosh(pi * w_over_b / 2);
        double z0 = eta0 / (4 * std::sqrt(er)) * k_ratio(k);
        expect_exact(e, e.fine.layout.at(line_figure::z0), z0, "Z0");
        expect_exact(e, e.fine.layout.at(line_figure::eps_eff), er, "eps_eff");
    }
}

TEST(line_exact, edge_coupled_striplines_of_zero_thickness) {
    // Cohn: Z = eta0 / (4 sqrt(er)) K(k') / K(k) with k_e = tanh(pi w / 2b) tanh(pi (w + s)
    // / 2b) for the even mode and k_o = tanh(pi w / 2b) coth(pi (w + s) / 2b) for the odd.
    double b = 1e-3, w = 0.5e-3, s = 0.3e-3, er = 2.2;
    line_geometry g = stripline(w, b, er);
    g.type = line_type::coupled_stripline;
    g.s = s;
    estimates e = solve_both_ways(g);
    double ke = std::tanh(pi * w / (2 * b)) * std::tanh(pi * (w + s) / (2 * b));
    double ko = std::tanh(pi * w / (2 * b)) / std::tanh(pi * (w + s) / (2 * b));
    double z_even = eta0 / (4 * std::sqrt(er)) / k_ratio(ke);
    double z_odd = eta0 / (4 * std::sqrt(er)) / k_ratio(ko);
    const line_layout &l = e.fine.layout;
    expect_exact(e, l.at(pair_figure::zodd), z_odd, "Zodd");
    expect_exact(e, l.at(pair_figure::zeven), z_even, "Zeven");
    expect_exact(e, l.at(pair_figure::zdiff), 2 * z_odd, "Zdiff");
    expect_exact(e, l.at(pair_figure::zcommon), z_even / 2, "Zcommon");
}

TEST(line_exact, coplanar_waveguide_in_air_with_finite_grounds) {
    // Slot edges at a and b from the centre, grounds out to c:
    // k = (a / b) sqrt((1 - b^2 / c^2) / (1 - a^2 / c^2)), Z0 = eta0 / 4 K(k') / K(k).
    line_geometry g;
    g.type = line_type::cpw;
    g.w = 0.4e-3;
    g.g = 0.2e-3;
    g.t = 0;
    g.h = 0.5e-3;
    g.epsilon_r = 1;
    g.ground_width = 1.2e-3;
    estimates e = solve_both_ways(g);
    double a = g.w / 2, b = a + g.g, c = b + g.ground_width;
    double k = a / b * std::sqrt((1 - b * b / (c * c)) / (1 - a * a / (c * c)));
    expect_exact(e, e.fine.layout.at(line_figure::z0), eta0 / 4 / k_ratio(k), "Z0");
}

TEST(line_exact, coax_and_twin_wire) {
    line_geometry coax;
    coax.type = line_type::coax;
    coax.d_inner = 0.9e-3;
    coax.d_outer = 2.95e-3;
    coax.epsilon_r = 2.1;
    estimates c = solve_both_ways(coax);
    expect_exact(c, 0, eta0 / (2 * pi * std::sqrt(2.1)) * std::log(2.95 / 0.9), "coax Z0");

    line_geometry twin;
    twin.type = line_type::twin_wire;
    twin.diameter = 0.5e-3;
    twin.pitch = 1.2e-3;
    twin.epsilon_r = 2.5;
    estimates t = solve_both_ways(twin);
    expect_exact(t, 0, eta0 / (pi * std::sqrt(2.5)) * std::acosh(1.2 / 0.5), "twin Z0");
}

namespace {

line_geometry board(line_type type) {
    line_geometry g;
    g.type = type;
    g.w = 0.3e-3;
    g.t = 35e-6;
    g.h = 0.2e-3;
    g.epsilon_r = 4.4;
    g.epsilon_r2 = 4.4;
    g.s = 0.2e-3;
    g.g = 0.15e-3;
    g.h2 = 0.25e-3;
    g.mask = 25e-6;
    g.epsilon_mask = 3.5;
    return g;
}

line_estimate quick(const line_geometry &g) {
    calc_env env;
    return line_study_run(built(g), 5e-4, false, env);
}

} // namespace

TEST(line_physics, symmetric_pairs_homogeneous_media_and_reciprocity) {
    // A homogeneous stripline pair: every mode at er.
    line_geometry pair = board(line_type::coupled_stripline);
    line_estimate e = quick(pair);
    const line_layout &l = e.layout;
    ASSERT_TRUE(e.estimated);
    for (int k = 0; k < 2; ++k)
        EXPECT_NEAR(e.value[l.mode_eps_eff(k)], 4.4, 1e-9);
    // A symmetric pair over a board: C11 = C22, C and L symmetric, Zdiff = 2 Zodd.
    for (line_type type : {line_type::coupled_microstrip, line_type::coupled_coated_microstrip,
                           line_type::coupled_gcpw, line_type::broadside_stripline}) {
        line_geometry g = board(type);
        if (type == line_type::broadside_stripline) g.epsilon_r2 = 3.0; // unsymmetric
        line_estimate p = quick(g);
        ASSERT_TRUE(p.estimated) << int(type);
        // Reciprocity: symmetric within what the estimate states.
        double c11 = p.value[l.c_matrix(0, 0)];
        EXPECT_NEAR(p.value[l.c_matrix(0, 1)], p.value[l.c_matrix(1, 0)],
                    p.error[l.c_matrix(0, 1)] + p.error[l.c_matrix(1, 0)]);
        EXPECT_NEAR(p.value[l.l_matrix(0, 1)], p.value[l.l_matrix(1, 0)],
                    p.error[l.l_matrix(0, 1)] + p.error[l.l_matrix(1, 0)]);
        EXPECT_LT(p.value[l.c_matrix(0, 1)], 0); // a neighbour's charge is induced
        if (type == line_type::broadside_stripline) {
            // One trace nearer the other medium: the modes are no longer odd and even.
            EXPECT_GT(std::fabs(p.value[l.c_matrix(0, 0)] - p.value[l.c_matrix(1, 1)]), 1e-3 * c11);
            continue;
        }
        EXPECT_NEAR(p.value[l.c_matrix(1, 1)], c11, 1e-9 * c11);
        EXPECT_NEAR(p.value[l.at(pair_figure::zdiff)], 2 * p.value[l.at(pair_figure::zodd)], 1e-9);
        EXPECT_NEAR(p.value[l.at(pair_figure::zcommon)], p.value[l.at(pair_figure::zeven)] / 2,
                    1e-9);
    }
}

TEST(line_physics, more_dielectric_lowers_z0_and_far_grounds_fade) {
    // Bare, coated, embedded under a cover as thick as the coating's top: each has the
    // dielectric of the one before and more.
    line_geometry bare = board(line_type::microstrip);
    line_geometry coated = board(line_type::coated_microstrip);
    line_geometry embedded = board(line_type::embedded_microstrip);
    embedded.cover = bare.t + coated.mask;
    embedded.epsilon_r2 = coated.epsilon_mask;
    double z_bare = quick(bare).value[0], z_coated = quick(coated).value[0];
    double z_embedded = quick(embedded).value[0];
    EXPECT_GT(z_bare, z_coated);
    EXPECT_GT(z_coated, z_embedded);

    // Coplanar grounds moved away: the grounded coplanar line becomes the microstrip.
    line_geometry far = board(line_type::gcpw);
    far.g = 40 * bare.h;
    double z_far = quick(far).value[0];
    EXPECT_NEAR(z_far, z_bare, 1e-3 * z_bare);
    line_geometry near = board(line_type::gcpw);
    EXPECT_LT(quick(near).value[0], z_far - 0.01 * z_bare);
}

TEST(line_physics, geometries_that_cannot_be_built_are_refused) {
    calc_env env;
    cross_section xs{};
    auto refused = [&](line_geometry g) { return !line_section(env, g, xs); };
    line_geometry g = board(line_type::microstrip);
    g.etch = g.w / 2;
    EXPECT_TRUE(refused(g));
    g = board(line_type::coupled_microstrip);
    g.s = 0;
    EXPECT_TRUE(refused(g));
    g = board(line_type::embedded_microstrip);
    g.cover = g.t / 2;
    EXPECT_TRUE(refused(g));
    g = board(line_type::stripline);
    g.epsilon_r2 = 0.5;
    EXPECT_TRUE(refused(g));
    line_geometry twin;
    twin.type = line_type::twin_wire;
    twin.diameter = 1e-3;
    twin.pitch = 0.9e-3;
    EXPECT_TRUE(refused(twin));
    // Lengths the panels cannot resolve together, which meshed as no conductor or
    // overflowed before: below a billionth of the largest, above a kilometre.
    g = board(line_type::microstrip);
    g.w = 1e-9 * g.h / 2;
    EXPECT_TRUE(refused(g));
    g.w = 2e-9 * g.h;
    EXPECT_FALSE(refused(g));
    g = board(line_type::gcpw);
    g.ground_width = 2e3;
    EXPECT_TRUE(refused(g));
    line_geometry coax;
    coax.type = line_type::coax;
    coax.d_inner = 1e-13;
    coax.d_outer = 2e-3;
    EXPECT_TRUE(refused(coax));
}
