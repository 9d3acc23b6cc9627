// The finite-volume reference for general cross-sections: against exact closed forms (the
// stripline, the edge-coupled striplines and the open coplanar waveguide of zero thickness
// by conformal maps, the wide thick stripline by the exact fringing of an isolated thick
// edge), each value within its stated error of the closed form and that error small;
// against fd_solve's microstrip within both errors; the pair figures against the line
// equations solved another way; and the sections it must refuse.
#include "tests/physics/validation/fd_section.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace {

constexpr double eps0 = 8.8541878128e-12;
constexpr double c_light = 299792458.0;
constexpr double eta0 = 1 / (eps0 * c_light); // the wave impedance of free space
constexpr double inf = std::numeric_limits<double>::infinity();
// C / C0 of a homogeneous filling is the permittivity on every grid: only rounding differs.
constexpr double rounding = 1e-12;

// K(k) / K(k'), k' = sqrt(1 - k^2), with K the complete elliptic integral of the first kind.
double elliptic_ratio(double k) {
    return std::comp_ellint_1(k) / std::comp_ellint_1(std::sqrt(1 - k * k));
}

// The value lies within its stated error of the exact one, and that error is below
// `relative` of it.
void expect_exact(double value, double error, double exact, double relative, const char *what) {
    EXPECT_LE(std::abs(value - exact), error) << what << ": " << value << " against " << exact;
    EXPECT_LE(error, relative * std::abs(exact)) << what;
}

// A centred stripline between plates at 0 and b, filled with eps_r.
fd_section stripline(double w, double t, double b, double eps_r) {
    fd_section s;
    s.conductors = {{{-w / 2, (b - t) / 2, w / 2, (b + t) / 2}, 1}};
    s.dielectrics = {{{-inf, 0, inf, b}, eps_r}};
    s.lower_plane = s.upper_plane = true;
    s.upper_height = b;
    return s;
}

TEST(fd_section, striplines_match_the_exact_closed_forms) {
    const double b = 1e-3;
    // Zero thickness, w = b / 2, in eps_r = 4: Z0 = eta0 / (4 sqrt(eps_r)) K(k) / K(k'),
    // k = sech(pi w / 2b), exactly; quick, and fine to its 2e-5.
    const double w = b / 2;
    const double z0 =
        eta0 / (4 * 2) * elliptic_ratio(1 / std::cosh(std::numbers::pi * w / (2 * b)));
    for (auto [accuracy, relative] :
         {std::pair{fd_accuracy::quick, 2e-4}, std::pair{fd_accuracy::fine, 2e-5}}) {
        const fd_line_figures f = fd_figures(fd_solve_section(stripline(w, 0, b, 4), accuracy));
        expect_exact(f.z0, f.z0_error, z0, relative, "sheet stripline z0");
        EXPECT_NEAR(f.eps_eff, 4, f.eps_eff_error + rounding);
    }

    // Thick and wide, t = b / 10, w = 3 b, in air: the parallel plates above and below the
    // strip and the fringing of four isolated edges, each (to one plate)
    // C_f / eps0 = (2 g ln(g + 1) - (g - 1) ln(g^2 - 1)) / pi with g = 1 / (1 - t / b),
    // exact for a semi-infinite strip; the two edges' interaction, of order
    // exp(-2 pi w / (b - t)), is below 1e-8.
    const double t = b / 10, wide = 3 * b, g = 1 / (1 - t / b);
    const double fringe =
        (2 * g * std::log(g + 1) - (g - 1) * std::log(g * g - 1)) / std::numbers::pi;
    const double z0_thick = eta0 / (4 * (wide / (b - t) + fringe));
    const fd_line_figures thick =
        fd_figures(fd_solve_section(stripline(wide, t, b, 1), fd_accuracy::quick));
    expect_exact(thick.z0, thick.z0_error, z0_thick, 2e-4, "thick stripline z0");
}

TEST(fd_section, edge_coupled_striplines_match_the_even_and_odd_modes) {
    // Two sheets of width w, s apart, midway between plates b apart, in eps_r = 2.2:
    // Z_even,odd = eta0 / (4 sqrt(eps_r)) K(k') / K(k) with
    // k_even = tanh(pi w / 2b) tanh(pi (w + s) / 2b), k_odd = tanh(pi w / 2b) coth(...).
    const double b = 1e-3, w = b / 2, gap = b / 4, eps_r = 2.2;
    fd_section s;
    s.conductors = {{{gap / 2, b / 2, gap / 2 + w, b / 2}, 2},
                    {{-gap / 2 - w, b / 2, -gap / 2, b / 2}, 1}};
    s.dielectrics = {{{-inf, 0, inf, b}, eps_r}};
    s.lower_plane = s.upper_plane = true;
    s.upper_height = b;
    const fd_matrices m = fd_solve_section(s, fd_accuracy::quick);
    const fd_line_figures f = fd_figures(m);

    const double inner = std::tanh(std::numbers::pi * w / (2 * b)),
                 outer = std::tanh(std::numbers::pi * (w + gap) / (2 * b));
    auto mode_z = [&](double k) { return eta0 / (4 * std::sqrt(eps_r)) / elliptic_ratio(k); };
    expect_exact(f.zeven, f.zeven_error, mode_z(inner * outer), 2e-4, "zeven");
    expect_exact(f.zodd, f.zodd_error, mode_z(inner / outer), 2e-4, "zodd");
    EXPECT_NEAR(f.eps_eff_even, eps_r, f.eps_eff_even_error + rounding);
    EXPECT_NEAR(f.eps_eff_odd, eps_r, f.eps_eff_odd_error + rounding);

    // The mirror-image pair: the same self and mutual capacitances both ways round.
    for (const auto *c : {&m.c, &m.c0}) {
        const auto &e = c == &m.c ? m.c_error : m.c0_error;
        EXPECT_NEAR((*c)[0], (*c)[3], e[0] + e[3]);
        EXPECT_NEAR((*c)[1], (*c)[2], e[1] + e[2]);
        EXPECT_LT((*c)[1], 0); // a neighbour at 0 V takes charge of the opposite sign
    }
}

TEST(fd_section, coplanar_waveguide_in_open_space_matches_the_conformal_map) {
    // Zero-thickness centre strip |x| < a and grounds a_g < |x| < c_g on the face of a
    // half-space of eps_r, no plane: C0 = 4 eps0 K(k) / K(k') with
    // k = (a / a_g) sqrt((c_g^2 - a_g^2) / (c_g^2 - a^2)), and with the conductors on the
    // interface eps_eff = (eps_r + 1) / 2 exactly. The grounds must carry the whole return.
    const double a = 0.15e-3, a_g = 0.25e-3, c_g = 1.25e-3, eps_r = 4;
    fd_section s;
    s.conductors = {{{-a, 0, a, 0}, 1}, {{-c_g, 0, -a_g, 0}, 0}, {{a_g, 0, c_g, 0}, 0}};
    s.dielectrics = {{{-inf, -inf, inf, 0}, eps_r}};
    const fd_matrices m = fd_solve_section(s, fd_accuracy::quick);
    const fd_line_figures f = fd_figures(m);

    const double k = a / a_g * std::sqrt((c_g * c_g - a_g * a_g) / (c_g * c_g - a * a));
    const double c0 = 4 * eps0 * elliptic_ratio(k);
    expect_exact(m.c0[0], m.c0_error[0], c0, 2e-4, "cpw c0");
    expect_exact(m.c[0], m.c_error[0], (eps_r + 1) / 2 * c0, 2e-4, "cpw c");
    EXPECT_NEAR(f.eps_eff, (eps_r + 1) / 2, f.eps_eff_error + rounding);
    expect_exact(f.z0, f.z0_error, 1 / (c_light * c0 * std::sqrt((eps_r + 1) / 2)), 2e-4, "cpw z0");
}

TEST(fd_section, microstrip_agrees_with_the_two_strip_solver) {
    // 35 um strip on a slab overhanging it by p: the same line as fd_solve's, and the same
    // line turned upside down under an upper plane. fd_solve's quick errors are the looser.
    const fd_case line{0.3e-3, 0, true, 0.2e-3, 0, 4.3, 0.5e-3, 35e-6};
    const double a = line.w1 / 2, top = line.h + line.t;
    fd_section up;
    up.conductors = {{{-a, line.h, a, top}, 1}};
    up.dielectrics = {{{-a - line.p, 0, a + line.p, line.h}, line.eps_r}};
    up.lower_plane = true;
    fd_section down;
    down.conductors = {{{-a, 0, a, line.t}, 1}};
    // The slab cut out of a filling by air blocks laid over it, which must take precedence.
    down.dielectrics = {{{-inf, -inf, inf, inf}, line.eps_r},
                        {{-inf, -inf, inf, line.t}, 1},
                        {{-inf, -inf, -a - line.p, inf}, 1},
                        {{a + line.p, -inf, inf, inf}, 1}};
    down.upper_plane = true;
    down.upper_height = top;

    const fd_result reference = fd_solve(line, fd_accuracy::quick);
    for (const fd_section *s : {&up, &down}) {
        const fd_line_figures f = fd_figures(fd_solve_section(*s, fd_accuracy::quick));
        EXPECT_NEAR(f.z0, reference.z0, f.z0_error + reference.z0_error);
        EXPECT_NEAR(f.eps_eff, reference.eps_eff, f.eps_eff_error + reference.eps_eff_error);
        EXPECT_LE(f.z0_error, 2e-4 * f.z0);
        EXPECT_LE(f.eps_eff_error, 2e-4 * f.eps_eff);
    }
}

// A pair of 35 um traces on a slab over a plane, the first w1 wide, the second w2.
fd_matrices coupled_microstrip(double w1, double w2) {
    const double h = 0.2e-3, t = 35e-6, gap = 0.2e-3;
    fd_section s;
    s.conductors = {{{-gap / 2 - w1, h, -gap / 2, h + t}, 1},
                    {{gap / 2, h, gap / 2 + w2, h + t}, 2}};
    s.dielectrics = {{{-inf, 0, inf, h}, 4.3}};
    s.lower_plane = true;
    return fd_solve_section(s, fd_accuracy::quick);
}

TEST(fd_section, pair_figures_follow_from_the_line_equations) {
    // A symmetric pair, inhomogeneous: its modes are the odd and even ones, of impedance
    // 1 / (c sqrt(C_mode C0_mode)) with C_odd = C11 - C12 and C_even = C11 + C12.
    const fd_matrices same = coupled_microstrip(0.3e-3, 0.3e-3);
    const fd_line_figures f = fd_figures(same);
    auto mode_z = [&](double sign) {
        return 1 / (c_light *
                    std::sqrt((same.c[0] + sign * same.c[1]) * (same.c0[0] + sign * same.c0[1])));
    };
    EXPECT_NEAR(f.zodd, mode_z(-1), 1e-9 * f.zodd);
    EXPECT_NEAR(f.zeven, mode_z(1), 1e-9 * f.zeven);
    EXPECT_LE(f.zdiff_error, 2e-4 * f.zdiff);
    EXPECT_LE(f.eps_eff_odd_error, 2e-4 * f.eps_eff_odd);

    // An unequal pair: Zc is the symmetric positive root of Zc C Zc = L, which is
    // C^-1 (C L)^1/2, and a 2 x 2 matrix A with positive eigenvalues has the root
    // (A + sqrt(det A) I) / sqrt(tr A + 2 sqrt(det A)).
    const fd_matrices m = coupled_microstrip(0.2e-3, 0.5e-3);
    const fd_line_figures g = fd_figures(m);
    const double *c = m.c.data(), *c0 = m.c0.data();
    const double det_c = c[0] * c[3] - c[1] * c[2], det_c0 = c0[0] * c0[3] - c0[1] * c0[2];
    const double l[4] = {
        c0[3] / det_c0 / (c_light * c_light), -c0[1] / det_c0 / (c_light * c_light),
        -c0[2] / det_c0 / (c_light * c_light), c0[0] / det_c0 / (c_light * c_light)};
    const double a[4] = {c[0] * l[0] + c[1] * l[2], c[0] * l[1] + c[1] * l[3],
                         c[2] * l[0] + c[3] * l[2], c[2] * l[1] + c[3] * l[3]};
    const double root_det = std::sqrt(a[0] * a[3] - a[1] * a[2]);
    const double scale = std::sqrt(a[0] + a[3] + 2 * root_det);
    const double r[4] = {(a[0] + root_det) / scale, a[1] / scale, a[2] / scale,
                         (a[3] + root_det) / scale};
    const double zc[4] = {(c[3] * r[0] - c[1] * r[2]) / det_c, (c[3] * r[1] - c[1] * r[3]) / det_c,
                          (-c[2] * r[0] + c[0] * r[2]) / det_c,
                          (-c[2] * r[1] + c[0] * r[3]) / det_c};
    EXPECT_NEAR(g.zdiff, zc[0] + zc[3] - zc[1] - zc[2], 1e-9 * g.zdiff);
    EXPECT_NEAR(g.zcommon, (zc[0] + zc[3] + zc[1] + zc[2]) / 4, 1e-9 * g.zcommon);
}

TEST(fd_section, refuses_sections_without_an_answer) {
    const fd_conductor strip{{-1e-3, 1e-3, 1e-3, 1.1e-3}, 1};
    auto refused = [](const fd_section &s) {
        EXPECT_THROW(fd_solve_section(s, fd_accuracy::quick), std::invalid_argument);
    };
    refused({{strip}, {}, false, false, 0});                                 // nothing to return to
    refused({{strip, {{2e-3, 1e-3, 3e-3, 1.1e-3}, 3}}, {}, true, false, 0}); // no signal 2
    refused({{{{-1e-3, 0, 1e-3, 1e-4}, 1}}, {}, true, false, 0});            // shorted to the plane
    refused({{strip, {{1e-3, 1e-3, 2e-3, 1.1e-3}, 0}}, {}, true, false, 0}); // touching ground
}

} // namespace
