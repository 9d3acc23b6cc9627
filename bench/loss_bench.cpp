// The losses' figures to reach: the conductor model against the exact Bessel impedances
// of a coaxial line and a wire pair from DC to 50 GHz (the largest error over 10 points
// a decade, and a table), against Wheeler's rule and the stripline's closed form, and
// the timings of whole orvanta-cli runs (the program given as the first argument): a
// coated differential pair over 1000 frequencies from DC to 50 GHz with its .s4p, and
// single-frequency runs.
#include "core/graded/conductor_loss.h"
#include "core/graded/line_solve.h"
#include "core/graded/line_types.h"
#include "core/graded/partial_inductance.h"
#include "tests/support/round_conductors.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr double pi = std::numbers::pi;
constexpr double copper = 5.8e7;
using cplx = std::complex<double>;

double run_seconds(const std::string &command) {
    double best = INFINITY;
    for (int k = 0; k < 3; ++k) {
        auto start = std::chrono::steady_clock::now();
        if (std::system((command + " > /dev/null 2>&1").c_str()) == -1) return NAN;
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

cross_section built(const line_geometry &g) {
    calc_env env;
    cross_section xs{};
    line_section(env, g, xs);
    return xs;
}

struct exact_case {
    const char *name;
    cross_section section;
    conductor_materials metal;
    double l_external, dc_inductance;
    cplx (*exact)(double);
};

cplx coax_exact(double f) {
    return round_exact::wire(0.5e-3, copper, f) +
           round_exact::tube(1.75e-3, 1.75e-3 + 35e-6, copper, f);
}

cplx pair_exact(double f) {
    return 2.0 * round_exact::wire(0.5e-3, copper, f);
}

void exact_table(const exact_case &c) {
    calc_env env;
    conductor_loss loss(env);
    if (!conductor_loss_of(env, c.section, c.metal, {&c.l_external, 1}, 1, 0, loss)) return;
    std::printf("\n%s (crossover %.4g MHz, the two models %.3f %% apart there)\n", c.name,
                loss.crossover / 1e6, 100 * loss.mismatch);
    std::printf("  %-10s %14s %14s %9s %14s %14s %9s\n", "f", "R (Ohm/m)", "exact", "diff",
                "L_int (nH/m)", "exact", "diff");
    double worst_r = 0, worst_l = 0;
    for (int k = -1; k <= 107; ++k) {
        double f = k < 0 ? 0 : k == 107 ? 50e9 : std::pow(10.0, k / 10.0);
        cplx z, e = c.exact(f);
        conductor_loss_impedance(loss, f, &z);
        double l = f > 0 ? z.imag() / (2 * pi * f) : z.imag();
        double le = f > 0 ? e.imag() / (2 * pi * f) : c.dc_inductance;
        double dr = z.real() / e.real() - 1, dl = l / le - 1;
        worst_r = std::max(worst_r, std::fabs(dr));
        worst_l = std::max(worst_l, std::fabs(dl));
        if (k < 0 || k % 10 == 0 || k == 107)
            std::printf("  %-10.3g %14.7g %14.7g %+8.3f%% %14.7g %14.7g %+8.3f%%\n", f, z.real(),
                        e.real(), 100 * dr, l * 1e9, le * 1e9, 100 * dl);
    }
    std::printf("  largest difference over 10 points a decade, DC to 50 GHz: R %.3f %%, L_int "
                "%.3f %%\n",
                100 * worst_r, 100 * worst_l);
}

double tube_dc_inductance(double b, double c) {
    double b2 = b * b, c2 = c * c;
    return partial_mu0 / (2 * pi) *
           (c2 * c2 * std::log(c / b) / ((c2 - b2) * (c2 - b2)) - (3 * c2 - b2) / (4 * (c2 - b2)));
}

double external_inductance(const line_geometry &g) {
    calc_env env;
    line_solution s(env);
    line_solve(env, built(g), 16, s);
    return partial_mu0 * 8.8541878128e-12 / s.c0[0];
}

void independent_rows() {
    line_geometry ms;
    ms.type = line_type::microstrip;
    ms.w = 0.3e-3;
    ms.t = 35e-6;
    ms.h = 0.2e-3;
    ms.epsilon_r = 1;
    std::printf("\nMicrostrip w 0.3 t 0.035 h 0.2 mm against Wheeler's rule (L of the geometry "
                "receded by delta / 2):\n");
    calc_env env;
    conductor_loss loss(env);
    conductor_loss_of(env, built(ms), {copper, 0, 35e-6}, {}, 1, 1e9, loss);
    for (double f : {1e9, 10e9, 50e9}) {
        double delta = conductor_skin_depth(copper, f);
        auto receded = [&](double s) {
            line_geometry g = ms;
            g.w -= 2 * s;
            g.t -= 2 * s;
            g.h += 2 * s;
            return external_inductance(g);
        };
        double wheeler = 2 * pi * f * (receded(delta / 2) - receded(-delta / 2)) / 2;
        cplx z;
        conductor_loss_impedance(loss, f, &z);
        std::printf("  %-8.3g Hz  R %10.5f Ohm/m  Wheeler %10.5f  %+7.3f %%\n", f, z.real(),
                    wheeler, 100 * (z.real() / wheeler - 1));
    }
    line_geometry sl;
    sl.type = line_type::stripline;
    sl.w = 0.4e-3;
    sl.t = 35e-6;
    sl.h = sl.h2 = 0.3e-3;
    sl.epsilon_r = sl.epsilon_r2 = 1;
    line_solution s(env);
    line_solve(env, built(sl), 8, s);
    double z0 = 1 / (299792458.0 * s.c0[0]), b = 0.635e-3, t = 35e-6, w = 0.4e-3, f = 10e9;
    double rs = 1 / (copper * conductor_skin_depth(copper, f));
    double a = 1 + 2 * w / (b - t) + (b + t) / (pi * (b - t)) * std::log((2 * b - t) / t);
    double closed = 2 * z0 * 2.7e-3 * rs * z0 / (30 * pi * (b - t)) * a;
    conductor_loss sloss(env);
    conductor_loss_of(env, built(sl), {copper, 0, 35e-6}, {}, 1, f, sloss);
    cplx z;
    conductor_loss_impedance(sloss, f, &z);
    std::printf("Stripline w 0.4 t 0.035 b 0.635 mm at 10 GHz: R %.5f Ohm/m, closed form %.5f "
                "(%+.3f %%)\n",
                z.real(), closed, 100 * (z.real() / closed - 1));
}

} // namespace

int main(int argc, char **argv) {
    std::string cli = argc > 1 ? argv[1] : "orvanta-cli";
    line_geometry coax;
    coax.type = line_type::coax;
    coax.d_inner = 1e-3;
    coax.d_outer = 3.5e-3;
    coax.epsilon_r = 2.1;
    line_geometry pair;
    pair.type = line_type::twin_wire;
    pair.diameter = 1e-3;
    pair.pitch = 0.1;
    pair.epsilon_r = 1;
    exact_table({"Coax: inner wire 1 mm, shield 3.5 mm inside, 35 um wall, copper",
                 built(coax),
                 {copper, 35e-6, 0},
                 partial_mu0 / (2 * pi) * std::log(3.5),
                 partial_mu0 / (8 * pi) + tube_dc_inductance(1.75e-3, 1.75e-3 + 35e-6),
                 coax_exact});
    exact_table({"Wire pair: 1 mm wires 100 mm apart, copper (twice a wire's impedance)",
                 built(pair),
                 {copper, 0, 0},
                 partial_mu0 / pi * std::acosh(100.0),
                 2 * partial_mu0 / (8 * pi),
                 pair_exact});
    independent_rows();
    std::printf("\nWhole orvanta-cli runs (best of 3):\n");
    std::printf("  coated pair, 1000 frequencies DC to 50 GHz, .s4p and R-L-G-C table: %.3f s\n",
                run_seconds(cli + " --line coupled-coated-microstrip --frequency-sweep "
                                  "0:50GHz:1000 --length 50mm --touchstone /tmp/orvanta-bench.s4p "
                                  "--rlgc /tmp/orvanta-bench.csv"));
    for (const char *line : {"microstrip", "coupled-coated-microstrip", "coax"})
        std::printf("  %-28s at 10 GHz: %.3f s\n", line,
                    run_seconds(cli + " --line " + line + " --frequency 10GHz"));
    std::printf("  %-28s at 10 MHz: %.3f s\n", "microstrip",
                run_seconds(cli + " --line microstrip --frequency 10MHz"));
    std::remove("/tmp/orvanta-bench.s4p");
    std::remove("/tmp/orvanta-bench.csv");
    return 0;
}
