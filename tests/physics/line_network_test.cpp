// The multiconductor line in the frequency domain against closed forms it must agree
// with: the scalar line's chain (ABCD) matrix, a symmetric pair split into its even and
// odd lines, the resistive network at DC, the homogeneous dielectric's attenuation and
// the low-loss limits; and against laws every passive line obeys (reciprocity,
// passivity, a lossless line's energy). None of the closed forms goes through the modal
// decomposition, the chain relations or the wave equations the code uses.
#include "core/wave/line_network.h"
#include "core/wave/mode_basis.h"
#include "tests/support/sink_capture.h"

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace {

using complex = std::complex<double>;

constexpr double pi = 3.141592653589793;
constexpr double light = 299792458.0;
const complex j(0, 1);

// A line's per-metre matrices, row-major.
struct rlgc {
    int n;
    std::vector<double> r, l, g, c;
};

std::vector<complex> s_of(const rlgc &line, double f, double length, double z_ref) {
    calc_env env;
    std::vector<complex> s(std::size_t(4 * line.n * line.n));
    EXPECT_TRUE(wave_s_parameters(env, f, line.n, line.r.data(), line.l.data(), line.g.data(),
                                  line.c.data(), length, z_ref, s.data()));
    return s;
}

wave_modes modes_of(const calc_env &env, const rlgc &line, double f) {
    wave_modes modes(env);
    EXPECT_TRUE(wave_modes_of(env, f, line.n, line.r.data(), line.l.data(), line.g.data(),
                              line.c.data(), modes));
    return modes;
}

// The scalar line's S-matrix from its chain matrix, A = D = cosh(gamma l), B = Zc sinh,
// C = sinh / Zc, with Zc = z / gamma (so the root's sign cancels), and the textbook
// conversion to S; s[0..3] = S11, S12, S21, S22. A uniform line has A D - B C = 1, which
// is not computed: over a long lossy line it is the difference of two huge numbers.
std::vector<complex> scalar_line(complex z, complex y, double length, double z_ref) {
    complex gamma = std::sqrt(z * y), a, b, c;
    if (gamma == 0.0) {
        a = 1.0;
        b = z * length;
        c = y * length;
    } else {
        complex zc = z / gamma;
        a = std::cosh(gamma * length);
        b = zc * std::sinh(gamma * length);
        c = std::sinh(gamma * length) / zc;
    }
    complex d = a, den = a + b / z_ref + c * z_ref + d;
    return {(a + b / z_ref - c * z_ref - d) / den, 2.0 / den, 2.0 / den,
            (-a + b / z_ref - c * z_ref + d) / den};
}

// A symmetric pair's 4-port from its even and odd lines: a drive on one conductor is
// half an even drive and half an odd one. Ports 0, 1 near, 2, 3 far.
std::vector<complex> pair_from_modes(const std::vector<complex> &even,
                                     const std::vector<complex> &odd) {
    std::vector<complex> s(16);
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k) {
            std::size_t two_port = std::size_t(2 * (i / 2) + k / 2);
            double sign = i % 2 == k % 2 ? 1 : -1;
            s[std::size_t(4 * i + k)] = (even[two_port] + sign * odd[two_port]) / 2.0;
        }
    return s;
}

// Each entry within rel of the reference's magnitude, plus floor.
void expect_matrix_near(const std::vector<complex> &got, const std::vector<complex> &want,
                        double rel, double floor, const std::string &what) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_LE(std::abs(got[i] - want[i]), rel * std::abs(want[i]) + floor)
            << what << " entry " << i << ": " << got[i] << " against " << want[i];
}

// S's singular values, largest first.
Eigen::VectorXd singular_values(const std::vector<complex> &s, int m) {
    Eigen::MatrixXcd matrix(m, m);
    for (int i = 0; i < m; ++i)
        for (int k = 0; k < m; ++k)
            matrix(i, k) = s[std::size_t(m * i + k)];
    return Eigen::JacobiSVD<Eigen::MatrixXcd>(matrix).singularValues();
}

// A microstrip-like symmetric pair: the even mode (L11 + L12, C11 + C12) is slower than
// the odd one; skin-effect resistance with a shared return and a dielectric whose loss
// is not in proportion to C.
rlgc symmetric_pair(double f) {
    double omega = 2 * pi * f, skin = std::sqrt(f);
    return {2,
            {8 + 2.5e-4 * skin, 1.5 + 0.5e-4 * skin, 1.5 + 0.5e-4 * skin, 8 + 2.5e-4 * skin},
            {3.6e-7, 0.9e-7, 0.9e-7, 3.6e-7},
            {omega * 0.02 * 0.88e-10, -omega * 0.02 * 0.108e-10, -omega * 0.02 * 0.108e-10,
             omega * 0.02 * 0.88e-10},
            {1.1e-10, -0.18e-10, -0.18e-10, 1.1e-10}};
}

// The pair's even or odd line per conductor: z11 +- z12, y11 +- y12.
complex series(const rlgc &line, double f, double sign) {
    double omega = 2 * pi * f;
    return complex(line.r[0] + sign * line.r[1], omega * (line.l[0] + sign * line.l[1]));
}
complex shunt(const rlgc &line, double f, double sign) {
    double omega = 2 * pi * f;
    return complex(line.g[0] + sign * line.g[1], omega * (line.c[0] + sign * line.c[1]));
}

// Three unequal conductors: nothing symmetric for the modes to lean on.
rlgc three_conductors(double f, double loss) {
    double omega = 2 * pi * f, skin = std::sqrt(f);
    std::vector<double> r0{5, 1, 1, 1, 6, 1, 1, 1, 4}, k{3, .5, .5, .5, 4, .5, .5, .5, 2.5};
    std::vector<double> c{1.2e-10,   -0.3e-10,  -0.05e-10, -0.3e-10, 1.4e-10,
                          -0.25e-10, -0.05e-10, -0.25e-10, 1.0e-10};
    std::vector<double> shares{0.02, 0.015, 0.01, 0.015, 0.025, 0.012, 0.01, 0.012, 0.018};
    rlgc line{3,
              {},
              {4e-7, 1.2e-7, 0.5e-7, 1.2e-7, 3.5e-7, 1e-7, 0.5e-7, 1e-7, 3e-7},
              std::vector<double>(9),
              c};
    for (std::size_t i = 0; i < 9; ++i) {
        line.r.push_back(loss * (r0[i] + k[i] * 1e-4 * skin));
        line.g[i] = loss * omega * shares[i] * c[i];
    }
    return line;
}

} // namespace

TEST(line_network, matched_lossless_line_is_a_pure_delay) {
    // 50 ohms in er = 4: S21 = exp(-j beta l), |S21| = 1, S11 = 0; at 75 ohms the
    // mismatch reflects as the chain matrix says, and no energy is lost.
    double z0 = 50, er = 4, length = 0.25;
    rlgc line{1, {0}, {z0 * std::sqrt(er) / light}, {0}, {std::sqrt(er) / (z0 * light)}};
    for (double f : {1e9, 7.3e9, 40e9}) {
        double beta = 2 * pi * f * std::sqrt(er) / light;
        std::vector<complex> s = s_of(line, f, length, z0);
        EXPECT_LE(std::abs(s[0]), 1e-12) << f;
        EXPECT_LE(std::abs(s[2] - std::exp(-j * beta * length)), 1e-12) << f;
        EXPECT_NEAR(std::abs(s[2]), 1, 1e-12) << f;
        std::vector<complex> mismatched = s_of(line, f, length, 75);
        expect_matrix_near(
            mismatched,
            scalar_line(j * 2.0 * pi * f * line.l[0], j * 2.0 * pi * f * line.c[0], length, 75),
            1e-11, 1e-12, "75 ohms");
        EXPECT_NEAR(std::norm(mismatched[0]) + std::norm(mismatched[2]), 1, 1e-12);
        calc_env env;
        wave_modes modes = modes_of(env, line, f);
        EXPECT_LE(std::abs(modes.gamma[0] - j * beta), 1e-14 * beta);
        EXPECT_LE(std::abs(modes.zc[0] - z0), 1e-12 * z0);
        EXPECT_EQ(modes.voltages[0], 1.0);
    }
}

TEST(line_network, lossy_line_matches_the_chain_matrix_from_dc_to_heavy_loss) {
    // Skin-effect R and a dielectric's G; the longest lines at the top frequencies lose
    // over 60 Np (S21 near 1e-28), where only the travelling waves keep S21's digits.
    double er = 4, z0 = 50;
    for (double f : {0.0, 1e3, 1e6, 1e8, 1e9, 1e10, 5e10})
        for (double length : {0.0, 0.05, 1.0, 3.0})
            for (double z_ref : {50.0, 35.0}) {
                double omega = 2 * pi * f;
                double c = std::sqrt(er) / (z0 * light);
                rlgc line{1,
                          {5 + 2e-4 * std::sqrt(f)},
                          {z0 * std::sqrt(er) / light},
                          {omega * c * 0.02},
                          {c}};
                complex z(line.r[0], omega * line.l[0]), y(line.g[0], omega * c);
                std::vector<complex> want = scalar_line(z, y, length, z_ref);
                std::vector<complex> got = s_of(line, f, length, z_ref);
                std::string what = "f " + std::to_string(f) + " l " + std::to_string(length);
                // Transmission to 1e-9 of itself however small; reflection also to 1e-13.
                for (std::size_t i : {1, 2})
                    EXPECT_LE(std::abs(got[i] - want[i]), 1e-9 * std::abs(want[i])) << what;
                for (std::size_t i : {0, 3})
                    EXPECT_LE(std::abs(got[i] - want[i]), 1e-9 * std::abs(want[i]) + 1e-13) << what;
            }
}

TEST(line_network, dc_is_the_resistive_network) {
    calc_env env;
    double length = 0.7, z = 50;
    // Series resistance alone: S11 = R l / (R l + 2 z), S21 = 2 z / (R l + 2 z).
    rlgc series_only{1, {12}, {3e-7}, {0}, {1.2e-10}};
    double rl = 12 * length;
    std::vector<complex> s = s_of(series_only, 0, length, z);
    EXPECT_NEAR(s[0].real(), rl / (rl + 2 * z), 1e-15);
    EXPECT_NEAR(s[2].real(), 2 * z / (rl + 2 * z), 1e-15);
    EXPECT_EQ(s[0].imag(), 0);
    // A frequency far below any the line reacts to gives the same.
    expect_matrix_near(s_of(series_only, 1e-3, length, z), s, 1e-9, 1e-12, "1 mHz");
    // Shunt conductance alone: a conductance G l across the through connection.
    rlgc shunt_only{1, {0}, {3e-7}, {0.004}, {1.2e-10}};
    double gl = 0.004 * length;
    s = s_of(shunt_only, 0, length, z);
    EXPECT_NEAR(s[0].real(), -gl * z / (2 + gl * z), 1e-15);
    EXPECT_NEAR(s[2].real(), 2 / (2 + gl * z), 1e-15);
    // Both: the distributed resistive ladder, cosh and sinh of sqrt(R G) l.
    rlgc ladder{1, {12}, {3e-7}, {0.004}, {1.2e-10}};
    expect_matrix_near(s_of(ladder, 0, length, z), scalar_line(12, 0.004, length, z), 1e-13, 1e-15,
                       "ladder");
    // Two conductors: the series resistance matrix Zs = R l between the two ends,
    // S = [Zs W, 2 z W; 2 z W, Zs W] with W = (Zs + 2 z)^-1.
    rlgc pair{2,
              {9, 2, 2, 7},
              {3.6e-7, 0.9e-7, 0.9e-7, 3.6e-7},
              {0, 0, 0, 0},
              {1.1e-10, -0.18e-10, -0.18e-10, 1.1e-10}};
    double a = 9 * length + 2 * z, b = 2 * length, d = 7 * length + 2 * z, det = a * d - b * b;
    double w[4] = {d / det, -b / det, -b / det, a / det};
    double zs[4] = {9 * length, 2 * length, 2 * length, 7 * length};
    s = s_of(pair, 0, length, z);
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < 2; ++k) {
            double reflected = zs[2 * i] * w[k] + zs[2 * i + 1] * w[2 + k];
            double through = 2 * z * w[2 * i + k];
            for (int block : {0, 1}) {
                int row = i + 2 * block;
                EXPECT_NEAR(s[std::size_t(4 * row + k + 2 * block)].real(), reflected, 1e-15);
                EXPECT_NEAR(s[std::size_t(4 * row + k + 2 * (1 - block))].real(), through, 1e-15);
            }
        }
}

TEST(line_network, modes_at_dc_are_the_limits_from_above) {
    calc_env env;
    // R without G: no wave, Zc without bound, and so the pair's figures.
    rlgc pair{2,
              {9, 2, 2, 7},
              {3.6e-7, 0.9e-7, 0.9e-7, 3.6e-7},
              {0, 0, 0, 0},
              {1.1e-10, -0.18e-10, -0.18e-10, 1.1e-10}};
    wave_modes modes = modes_of(env, pair, 0);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(modes.gamma[std::size_t(k)], 0.0);
        EXPECT_EQ(modes.alpha_conductor[std::size_t(k)] + modes.alpha_dielectric[std::size_t(k)],
                  0);
    }
    for (const complex &z : modes.zc)
        EXPECT_TRUE(std::isinf(z.real()));
    EXPECT_TRUE(std::isinf(wave_pair_of(modes).zdiff.real()));
    // Neither R nor G: the lossless line's Zc, as at any frequency.
    rlgc lossless = pair;
    lossless.r.assign(4, 0);
    wave_modes at_dc = modes_of(env, lossless, 0), at_ghz = modes_of(env, lossless, 1e9);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_LE(std::abs(at_dc.zc[i] - at_ghz.zc[i]), 1e-12 * std::abs(at_ghz.zc[0]));
        EXPECT_LE(std::abs(at_dc.voltages[i] - at_ghz.voltages[i]), 1e-12);
    }
    // G without R: Zc vanishes.
    rlgc leaky{1, {0}, {3e-7}, {0.004}, {1.2e-10}};
    EXPECT_EQ(modes_of(env, leaky, 0).zc[0], 0.0);
    // Both: a wave that only decays, gamma = sqrt(R G), Zc = sqrt(R / G), half the loss
    // in each.
    leaky.r[0] = 12;
    wave_modes resistive = modes_of(env, leaky, 0);
    EXPECT_NEAR(resistive.gamma[0].real(), std::sqrt(12 * 0.004), 1e-15);
    EXPECT_EQ(resistive.gamma[0].imag(), 0);
    EXPECT_NEAR(resistive.zc[0].real(), std::sqrt(12 / 0.004), 1e-12);
    EXPECT_NEAR(resistive.alpha_conductor[0], std::sqrt(12 * 0.004) / 2, 1e-15);
    EXPECT_NEAR(resistive.alpha_dielectric[0], std::sqrt(12 * 0.004) / 2, 1e-15);
}

TEST(line_network, symmetric_pair_splits_into_even_and_odd_lines) {
    calc_env env;
    double f = 2e9;
    rlgc line = symmetric_pair(f);
    wave_modes modes = modes_of(env, line, f);
    complex gamma_even = std::sqrt(series(line, f, 1) * shunt(line, f, 1));
    complex gamma_odd = std::sqrt(series(line, f, -1) * shunt(line, f, -1));
    complex z_even = series(line, f, 1) / gamma_even, z_odd = series(line, f, -1) / gamma_odd;
    // The even mode, the slower here, first: voltages (1, 1), then (1, -1).
    ASSERT_GT(gamma_even.imag(), gamma_odd.imag());
    EXPECT_LE(std::abs(modes.gamma[0] - gamma_even), 1e-12 * std::abs(gamma_even));
    EXPECT_LE(std::abs(modes.gamma[1] - gamma_odd), 1e-12 * std::abs(gamma_odd));
    EXPECT_LE(std::abs(modes.voltages[1] - 1.0), 1e-12);
    EXPECT_LE(std::abs(modes.voltages[3] + 1.0), 1e-12);
    complex self = (z_even + z_odd) / 2.0, mutual = (z_even - z_odd) / 2.0;
    expect_matrix_near({modes.zc.begin(), modes.zc.end()}, {self, mutual, mutual, self}, 1e-12, 0,
                       "Zc");
    wave_pair figures = wave_pair_of(modes);
    EXPECT_LE(std::abs(figures.zdiff - 2.0 * z_odd), 1e-12 * std::abs(z_odd));
    EXPECT_LE(std::abs(figures.zcommon - z_even / 2.0), 1e-12 * std::abs(z_even));
    // The 4-port from DC to heavy loss, and at references far from the line's impedances.
    for (double sweep_f : {0.0, 1e5, 1e9, 2e10, 1e11})
        for (double length : {0.02, 0.4, 6.0}) {
            for (double z_ref : {1e-3, 1e5}) {
                rlgc at = symmetric_pair(sweep_f);
                std::vector<complex> want = pair_from_modes(
                    scalar_line(series(at, sweep_f, 1), shunt(at, sweep_f, 1), length, z_ref),
                    scalar_line(series(at, sweep_f, -1), shunt(at, sweep_f, -1), length, z_ref));
                expect_matrix_near(s_of(at, sweep_f, length, z_ref), want, 1e-9, 1e-13,
                                   "z_ref " + std::to_string(z_ref) + " f " +
                                       std::to_string(sweep_f) + " l " + std::to_string(length));
            }
            rlgc at = symmetric_pair(sweep_f);
            std::vector<complex> want = pair_from_modes(
                scalar_line(series(at, sweep_f, 1), shunt(at, sweep_f, 1), length, 50),
                scalar_line(series(at, sweep_f, -1), shunt(at, sweep_f, -1), length, 50));
            expect_matrix_near(s_of(at, sweep_f, length, 50), want, 1e-9, 1e-13,
                               "f " + std::to_string(sweep_f) + " l " + std::to_string(length));
        }
}

TEST(line_network, homogeneous_dielectric_attenuates_every_mode_alike) {
    // L C = er / c^2, G = omega C tan(delta), R = 0: every mode, whatever its voltages,
    // has gamma = j omega sqrt(er) sqrt(1 - j tan(delta)) / c, whose real part is to first
    // order pi f sqrt(er) tan(delta) / c; Zc = sqrt(er) C^-1 / (c sqrt(1 - j tan(delta))).
    calc_env env;
    double er = 3.7, tan_delta = 0.02, c11 = 1.1e-10, c12 = -0.2e-10;
    double det = c11 * c11 - c12 * c12, k = er / (light * light);
    std::vector<double> inverse{c11 / det, -c12 / det, -c12 / det, c11 / det};
    for (double f : {1e8, 1e9, 3e10}) {
        double omega = 2 * pi * f;
        rlgc line{2,
                  {0, 0, 0, 0},
                  {k * inverse[0], k * inverse[1], k * inverse[2], k * inverse[3]},
                  {omega * tan_delta * c11, omega * tan_delta * c12, omega * tan_delta * c12,
                   omega * tan_delta * c11},
                  {c11, c12, c12, c11}};
        wave_modes modes = modes_of(env, line, f);
        complex loss = std::sqrt(complex(1, -tan_delta));
        complex gamma = j * omega * std::sqrt(er) * loss / light;
        double first_order = pi * f * std::sqrt(er) * tan_delta / light;
        for (std::size_t m = 0; m < 2; ++m) {
            EXPECT_LE(std::abs(modes.gamma[m] - gamma), 1e-12 * std::abs(gamma));
            EXPECT_NEAR(modes.alpha_dielectric[m], gamma.real(), 1e-12 * gamma.real());
            EXPECT_EQ(modes.alpha_conductor[m], 0);
            EXPECT_NEAR(modes.alpha_dielectric[m], first_order,
                        tan_delta * tan_delta / 8 * first_order * 1.01);
        }
        // The natural voltages of a symmetric pair, its odd and even drives.
        EXPECT_LE(std::abs(std::abs(modes.voltages[1]) - 1.0), 1e-12);
        EXPECT_LE(std::abs(std::abs(modes.voltages[3]) - 1.0), 1e-12);
        EXPECT_LE(std::abs(modes.voltages[1] + modes.voltages[3]), 1e-12);
        std::vector<complex> zc;
        for (double x : inverse)
            zc.push_back(std::sqrt(er) * x / (light * loss));
        expect_matrix_near({modes.zc.begin(), modes.zc.end()}, zc, 1e-12, 0, "Zc");
    }
}

TEST(line_network, low_loss_split_tends_to_r_over_2z0_and_g_z0_over_2) {
    // A single line with R / (omega L) and G / (omega C) of 1e-4: the parts agree with
    // the perturbation formulas to the square of the loss, and sum to Re gamma.
    calc_env env;
    double f = 1e9, omega = 2 * pi * f, l = 3.3e-7, c = 1.3e-10, z0 = std::sqrt(l / c);
    rlgc line{1, {1e-4 * omega * l}, {l}, {2e-4 * omega * c}, {c}};
    wave_modes modes = modes_of(env, line, f);
    EXPECT_NEAR(modes.alpha_conductor[0], line.r[0] / (2 * z0), 1e-7 * line.r[0] / (2 * z0));
    EXPECT_NEAR(modes.alpha_dielectric[0], line.g[0] * z0 / 2, 1e-7 * line.g[0] * z0 / 2);
    EXPECT_NEAR(modes.alpha_conductor[0] + modes.alpha_dielectric[0], modes.gamma[0].real(),
                1e-15 * modes.gamma[0].real());
    // A lossy pair, mode by mode: its even and odd lines' R / (2 Z) and G Z / 2.
    rlgc pair = symmetric_pair(f);
    for (std::size_t i : {0, 3})
        pair.g[i] *= 1e-2, pair.r[i] *= 1e-2;
    for (std::size_t i : {1, 2})
        pair.g[i] *= 1e-2, pair.r[i] *= 1e-2;
    modes = modes_of(env, pair, f);
    for (std::size_t m = 0; m < 2; ++m) {
        double sign = m == 0 ? 1 : -1; // the even mode is the slower
        double r = pair.r[0] + sign * pair.r[1], g = pair.g[0] + sign * pair.g[1];
        double z = std::sqrt((pair.l[0] + sign * pair.l[1]) / (pair.c[0] + sign * pair.c[1]));
        EXPECT_NEAR(modes.alpha_conductor[m], r / (2 * z), 1e-5 * r / (2 * z)) << m;
        EXPECT_NEAR(modes.alpha_dielectric[m], g * z / 2, 1e-5 * g * z / 2) << m;
    }
}

TEST(line_network, every_line_is_reciprocal_and_passive) {
    // S = S^T and no singular value above 1, from DC to 100 GHz and from no length to
    // several metres; without loss, S is unitary.
    for (double f : {0.0, 10.0, 1e4, 1e7, 1e9, 1e10, 1e11})
        for (double length : {0.0, 0.01, 0.5, 5.0}) {
            std::string what = "f " + std::to_string(f) + " l " + std::to_string(length);
            std::vector<complex> s = s_of(three_conductors(f, 1), f, length, 50);
            for (int i = 0; i < 6; ++i)
                for (int k = 0; k < i; ++k)
                    EXPECT_LE(std::abs(s[std::size_t(6 * i + k)] - s[std::size_t(6 * k + i)]),
                              1e-12)
                        << what;
            EXPECT_LE(singular_values(s, 6)(0), 1 + 1e-12) << what;
            std::vector<complex> lossless = s_of(three_conductors(f, 0), f, length, 50);
            Eigen::VectorXd unitary = singular_values(lossless, 6);
            EXPECT_NEAR(unitary(0), 1, 1e-12) << what;
            EXPECT_NEAR(unitary(5), 1, 1e-12) << what;
        }
    // The characteristic impedance of a reciprocal line is symmetric.
    calc_env env;
    wave_modes modes = modes_of(env, three_conductors(3e9, 1), 3e9);
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < i; ++k)
            EXPECT_LE(std::abs(modes.zc[std::size_t(3 * i + k)] - modes.zc[std::size_t(3 * k + i)]),
                      1e-12 * std::abs(modes.zc[0]));
    EXPECT_GE(modes.gamma[0].imag(), modes.gamma[1].imag());
    EXPECT_GE(modes.gamma[1].imag(), modes.gamma[2].imag());
}

TEST(line_network, chain_and_travelling_waves_agree_where_they_meet) {
    // A mode switches from its chain relations to its travelling waves where alpha l
    // passes 1; S must not jump there, for either mode of a pair. The two lengths differ
    // by 2e-13 of some 100 radians of phase, which moves S by 2e-11 of itself.
    calc_env env;
    double f = 3e10;
    rlgc line = symmetric_pair(f);
    wave_modes modes = modes_of(env, line, f);
    for (std::size_t m = 0; m < 2; ++m) {
        double length = 1 / modes.gamma[m].real();
        expect_matrix_near(s_of(line, f, length * (1 + 1e-13), 50),
                           s_of(line, f, length * (1 - 1e-13), 50), 1e-10, 1e-14,
                           "mode " + std::to_string(m));
    }
}

TEST(line_network, modes_advance_and_attenuate_in_plus_z) {
    // The root of gamma^2 in the first quadrant, also when rounding leaves a lossless
    // mode's eigenvalue a hair below the negative real axis or a resistive one's below
    // the positive.
    EXPECT_EQ(mode_gamma({-4, 0.0}), complex(0, 2));
    EXPECT_EQ(mode_gamma({-4, -0.0}), complex(0, 2));
    EXPECT_FALSE(std::signbit(mode_gamma({-4, -0.0}).real()));
    complex lossless = mode_gamma({-4, -1e-20});
    EXPECT_EQ(lossless.imag(), 2);
    EXPECT_NEAR(lossless.real(), 0, 1e-20);
    complex resistive = mode_gamma({4, -1e-20});
    EXPECT_EQ(resistive.real(), 2);
    EXPECT_NEAR(resistive.imag(), 0, 1e-20);
    EXPECT_EQ(mode_gamma({0, 8}), complex(2, 2));
    // Every mode of a lossless line with no symmetry advances without loss.
    calc_env env;
    for (double f : {1e6, 1e9, 5e10}) {
        wave_modes modes = modes_of(env, three_conductors(f, 0), f);
        for (const complex &gamma : modes.gamma) {
            EXPECT_GT(gamma.imag(), 0) << f;
            EXPECT_LE(std::fabs(gamma.real()), 1e-12 * gamma.imag()) << f;
        }
    }
}

using line_network_refusals = core_test;

TEST_F(line_network_refusals, every_refusal_is_reported) {
    rlgc good = symmetric_pair(1e9);
    std::vector<complex> s(16);
    auto refused = [&](const rlgc &line, double f, double length, double z_ref,
                       const wchar_t *reason) {
        captured_lines().clear();
        EXPECT_FALSE(wave_s_parameters(env(), f, line.n, line.r.data(), line.l.data(),
                                       line.g.data(), line.c.data(), length, z_ref, s.data()));
        EXPECT_EQ(lines(), std::vector<sink_line>{error_line(reason)});
        wave_modes modes(env());
        if (length == 1 && z_ref == 50) {
            captured_lines().clear();
            EXPECT_FALSE(wave_modes_of(env(), f, line.n, line.r.data(), line.l.data(),
                                       line.g.data(), line.c.data(), modes));
            EXPECT_EQ(lines(), std::vector<sink_line>{error_line(reason)});
        }
    };
    rlgc none = good;
    none.n = 0;
    refused(none, 1e9, 1, 50, L"The line has no signal conductor");
    refused(good, -1, 1, 50, L"The frequency must be finite and not negative");
    refused(good, std::nan(""), 1, 50, L"The frequency must be finite and not negative");
    rlgc lopsided = good;
    lopsided.l[1] *= 1.1;
    refused(lopsided, 1e9, 1, 50, L"The line's R, L, G and C matrices must be symmetric");
    rlgc infinite = good;
    infinite.g[0] = INFINITY;
    refused(infinite, 1e9, 1, 50,
            L"The line's R, L, G and C matrices hold a value that is not finite");
    rlgc gaining = good;
    gaining.r = {1, 2, 2, 1}; // an eigenvalue of -1
    refused(gaining, 1e9, 1, 50,
            L"The line's L and C must be positive definite, and its R and G positive "
            L"semidefinite");
    refused(good, 1e9, -1, 50, L"The line's length must be finite and not negative");
    refused(good, 1e9, 1, 0, L"The reference impedance must be finite and positive");
}

TEST_F(line_network_refusals, memory_refused_anywhere_is_reported_and_leaks_nothing) {
    rlgc line = three_conductors(1e9, 1);
    std::vector<complex> s(36);
    bool done = false;
    for (long k = 1; k < 500 && !done; ++k) {
        captured_lines().clear();
        faults().arm(k);
        done = wave_s_parameters(env(), 1e9, 3, line.r.data(), line.l.data(), line.g.data(),
                                 line.c.data(), 0.1, 50, s.data());
        if (!done) {
            EXPECT_EQ(lines(), std::vector<sink_line>{
                                   error_line(L"Not enough memory for the line's waves")});
        }
    }
    EXPECT_TRUE(done);
    done = false;
    for (long k = 1; k < 500 && !done; ++k) {
        captured_lines().clear();
        faults().arm(k);
        wave_modes modes(env());
        done = wave_modes_of(env(), 1e9, 3, line.r.data(), line.l.data(), line.g.data(),
                             line.c.data(), modes);
        if (!done) {
            EXPECT_EQ(lines(), std::vector<sink_line>{
                                   error_line(L"Not enough memory for the line's waves")});
        }
    }
    EXPECT_TRUE(done);
}
