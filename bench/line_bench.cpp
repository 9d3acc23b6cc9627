// The line types' figures to reach: every type with its default error estimate as a
// whole orvanta-cli run (the program given as the first argument), a coated
// differential pair at 0.001 %, a sweep of 100 spacings of a pair, and the table of the
// engine against exact answers and the fine finite-volume solution.
#include "studies/line_study.h"
#include "tests/physics/validation/line_cases.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best of three runs of the command, its output discarded: what the program itself
// takes, without the machine's other work.
double run_seconds(const std::string &command) {
    double best = INFINITY;
    for (int k = 0; k < 3; ++k) {
        auto start = std::chrono::steady_clock::now();
        if (std::system((command + " > /dev/null 2>&1").c_str()) == -1) return NAN;
        best = std::min(best, seconds_since(start));
    }
    return best;
}

constexpr double eta0 = 376.730313668;
constexpr double pi = 3.141592653589793;

double k_ratio(double k) {
    return std::comp_ellint_1(k) / std::comp_ellint_1(std::sqrt(1 - k * k));
}

void exact_row(const char *name, const line_geometry &g, std::size_t figure, double exact) {
    calc_env env;
    cross_section xs{};
    line_section(env, g, xs);
    auto start = std::chrono::steady_clock::now();
    line_estimate normal = line_study_run(xs, 5e-4, false, env);
    double seconds = seconds_since(start);
    line_estimate fine = line_study_run(xs, 1e-7, false, env, {}, 7);
    std::printf("%-34s %12.7f %12.7f +- %-10.7f %+9.6f%% %12.7f %+9.6f%% %6.3f\n", name, exact,
                normal.value[figure], normal.error[figure],
                100 * (normal.value[figure] - exact) / exact, fine.value[figure],
                100 * (fine.value[figure] - exact) / exact, seconds);
}

} // namespace

int main(int argc, char **argv) {
    std::string cli = argc > 1 ? argv[1] : "orvanta-cli";
    std::printf("Whole orvanta-cli runs with the default error estimate (best of 3):\n");
    for (const line_type_spec &t : line_type_specs()) {
        if (t.type == line_type::two_strip) continue;
        std::printf("  %-28s %6.3f s\n", t.name, run_seconds(cli + " --line " + t.name));
    }
    std::printf("  %-28s %6.3f s\n", "coupled-coated-microstrip at 0.001%",
                run_seconds(cli + " --line coupled-coated-microstrip --converge=0.001%"));
    std::printf("  %-28s %6.3f s\n", "sweep of 100 spacings, single",
                run_seconds(cli + " --line coupled-microstrip --single --sweep s=0.1:0.595:0.005"));
    std::printf("  %-28s %6.3f s\n", "the same with errors",
                run_seconds(cli + " --line coupled-microstrip --sweep s=0.1:0.595:0.005"));

    std::printf("\nExact answers: default estimate and a fine one (tolerance 1e-7)\n");
    std::printf("%-34s %12s %27s %10s %12s %10s %6s\n", "case", "exact", "default", "diff", "fine",
                "diff", "s");
    line_geometry strip;
    strip.type = line_type::stripline;
    strip.w = 1e-3;
    strip.h = strip.h2 = 0.5e-3;
    strip.epsilon_r = strip.epsilon_r2 = 3.5;
    exact_row("stripline w/b 1, t 0, er 3.5", strip, 0,
              eta0 / (4 * std::sqrt(3.5)) * k_ratio(1 / std::cosh(pi / 2)));
    line_geometry pair = strip;
    pair.type = line_type::coupled_stripline;
    pair.w = 0.5e-3;
    pair.s = 0.3e-3;
    double ko = std::tanh(pi * 0.5 / 2) / std::tanh(pi * 0.8 / 2);
    double ke = std::tanh(pi * 0.5 / 2) * std::tanh(pi * 0.8 / 2);
    line_layout two{2};
    exact_row("Cohn pair w/b 0.5, s/b 0.3, Zodd", pair, two.at(pair_figure::zodd),
              eta0 / (4 * std::sqrt(3.5)) / k_ratio(ko));
    exact_row("Cohn pair w/b 0.5, s/b 0.3, Zeven", pair, two.at(pair_figure::zeven),
              eta0 / (4 * std::sqrt(3.5)) / k_ratio(ke));
    line_geometry cpw;
    cpw.type = line_type::cpw;
    cpw.w = 0.4e-3;
    cpw.g = 0.2e-3;
    cpw.h = 0.5e-3;
    cpw.epsilon_r = 1;
    cpw.ground_width = 1.2e-3;
    double a = 0.2e-3, bb = 0.4e-3, c = 1.6e-3;
    double k = a / bb * std::sqrt((1 - bb * bb / (c * c)) / (1 - a * a / (c * c)));
    exact_row("CPW in air, finite grounds", cpw, 0, eta0 / 4 / k_ratio(k));
    line_geometry coax;
    coax.type = line_type::coax;
    coax.d_inner = 0.9e-3;
    coax.d_outer = 2.95e-3;
    coax.epsilon_r = 2.1;
    exact_row("coax 0.9 / 2.95, er 2.1", coax, 0,
              eta0 / (2 * pi * std::sqrt(2.1)) * std::log(2.95 / 0.9));
    line_geometry twin;
    twin.type = line_type::twin_wire;
    twin.diameter = 0.5e-3;
    twin.pitch = 1.2e-3;
    twin.epsilon_r = 2.5;
    exact_row("twin wire 0.5 / 1.2, er 2.5", twin, 0,
              eta0 / (pi * std::sqrt(2.5)) * std::acosh(1.2 / 0.5));

    std::printf("\nAgainst the fine finite-volume solution (engine at its default tolerance)\n");
    std::printf("%-30s %-12s %26s %26s %10s\n", "case", "figure", "engine", "finite volumes",
                "diff");
    for (const line_case &lc : line_cases()) {
        calc_env env;
        cross_section xs{};
        line_section(env, lc.line, xs);
        line_estimate e = line_study_run(xs, 5e-4, false, env);
        fd_line_figures f = fd_figures(fd_solve_section(lc.reference, fd_accuracy::fine));
        const line_layout &l = e.layout;
        auto row = [&](const char *figure, std::size_t at, double ref, double ref_error) {
            std::printf("%-30s %-12s %13.7f +- %-9.7f %13.7f +- %-9.7f %+9.5f%%\n", lc.name, figure,
                        e.value[at], e.error[at], ref, ref_error, 100 * (e.value[at] - ref) / ref);
        };
        if (l.n == 1) {
            row("Z0", l.at(line_figure::z0), f.z0, f.z0_error);
            row("eps_eff", l.at(line_figure::eps_eff), f.eps_eff, f.eps_eff_error);
        } else {
            row("Zdiff", l.at(pair_figure::zdiff), f.zdiff, f.zdiff_error);
            row("Zcommon", l.at(pair_figure::zcommon), f.zcommon, f.zcommon_error);
            row("eps_eff odd", l.at(pair_figure::eps_eff_odd), f.eps_eff_odd, f.eps_eff_odd_error);
            row("eps_eff even", l.at(pair_figure::eps_eff_even), f.eps_eff_even,
                f.eps_eff_even_error);
        }
    }
    return 0;
}
