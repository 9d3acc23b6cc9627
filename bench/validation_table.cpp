// The table of the accurate variant against the independent finite-volume solution:
// for each case the converged boundary-element answer (tolerance 0.001%) and the fine
// finite-volume answer, each with its stated error, their relative differences and
// times.
#include "tests/physics/validation/validation_cases.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main() {
    const validation_case cases[] = {
        {"microstrip 2.4/0.79, eps 2.2, p 0.1", {2.4e-3, 0, true, 0.79e-3, 0, 2.2, 0.1e-3, 0}},
        {"microstrip 2.4/0.79, eps 2.2, p 2", {2.4e-3, 0, true, 0.79e-3, 0, 2.2, 2e-3, 0}},
        {"start geometry (pair, p 2)", {2.4e-3, 10e-3, false, 0.79e-3, 0, 2.2, 2e-3, 0}},
        {"start geometry, t 0.035", {2.4e-3, 10e-3, false, 0.79e-3, 0, 2.2, 2e-3, 35e-6}},
        {"start geometry, t 0.1", {2.4e-3, 10e-3, false, 0.79e-3, 0, 2.2, 2e-3, 0.1e-3}},
        {"microstrip 0.1/1.6, eps 4.4, p 1", {0.1e-3, 0, true, 1.6e-3, 0, 4.4, 1e-3, 0}},
        {"pair d 1.5, p 0.5, t 0.035", {2.4e-3, 10e-3, false, 0.79e-3, 1.5e-3, 2.2, 0.5e-3, 35e-6}},
        {"start geometry in vacuum", {2.4e-3, 10e-3, false, 0.79e-3, 0, 1.0, 2e-3, 0}},
    };
    std::printf("%-38s %-26s %-26s %9s  %-24s %-24s %9s %7s %6s\n", "case", "Z0 BEM (ohm)",
                "Z0 FV (ohm)", "dZ0", "eps_eff BEM", "eps_eff FV", "deps", "BEM s", "FV s");
    for (const validation_case &c : cases) {
        auto start = std::chrono::steady_clock::now();
        convergence bem = study_converge(texts_of(c.line), 0.00001, calc_env{});
        double bem_seconds = seconds_since(start);
        start = std::chrono::steady_clock::now();
        fd_result fv = fd_solve(c.line, fd_accuracy::fine);
        double fv_seconds = seconds_since(start);
        std::printf("%-38s %11.6f +- %-11.6f %11.6f +- %-11.6f %+8.5f%%  %9.7f +- %-9.7f "
                    "%9.7f +- %-9.7f %+8.5f%% %7.3f %6.2f%s\n",
                    c.name, bem.z0, bem.z0_error, fv.z0, fv.z0_error,
                    100 * (bem.z0 - fv.z0) / fv.z0, bem.eps_eff, bem.eps_eff_error, fv.eps_eff,
                    fv.eps_eff_error, 100 * (bem.eps_eff - fv.eps_eff) / fv.eps_eff, bem_seconds,
                    fv_seconds, bem.converged ? "" : "  (not converged)");
    }
    return 0;
}
