// A named line or a cross-section solved with its error stated: the convergence study
// of the graded panels (densities 0.5, 1, 2, ... until every headline figure is within the
// tolerance, Richardson with its order checked), or one solve on request; and the
// sweeps and syntheses of a line type's options over it.
#pragma once

#include "core/base/calc_env.h"
#include "core/graded/cross_section.h"
#include "input/line_options.h"

#include <functional>
#include <string>
#include <vector>

// The figures of one solve or of the estimate, flat so that each has its error:
//   one signal conductor: Z0, eps_eff, delay (s/m), C, L;
//   more: the C, L and Zc matrices (n x n each), each mode's Z and eps_eff, and for a
//   pair Zodd, Zeven, Zdiff, Zcommon, eps_eff_odd, eps_eff_even, coupling.
enum class line_figure { z0, eps_eff, delay, c, l };
enum class pair_figure { zodd, zeven, zdiff, zcommon, eps_eff_odd, eps_eff_even, coupling };

struct line_layout {
    int n = 1;
    std::size_t size() const;
    std::size_t at(line_figure f) const { return std::size_t(f); }
    std::size_t c_matrix(int i, int j) const { return std::size_t(i * n + j); }
    std::size_t l_matrix(int i, int j) const { return std::size_t(n * n + i * n + j); }
    std::size_t zc_matrix(int i, int j) const { return std::size_t(2 * n * n + i * n + j); }
    std::size_t mode_z(int k) const { return std::size_t(3 * n * n + 2 * k); }
    std::size_t mode_eps_eff(int k) const { return std::size_t(3 * n * n + 2 * k + 1); }
    std::size_t at(pair_figure f) const { return std::size_t(3 * n * n + 2 * n + int(f)); }
};

struct line_point {
    bool ok = false;
    double density = 0;
    int panels = 0;
    std::vector<double> values; // in the layout
    std::wstring failure;       // the reason, when not ok
};

struct line_estimate {
    line_layout layout;
    std::vector<line_point> points; // coarsest first
    std::vector<double> value, error;
    // Each mode's voltages (mode k at k * n), largest magnitude 1, of the finest solve.
    std::vector<double> mode_voltages;
    bool symmetric = false; // a pair that is its own mirror image: odd and even modes
    bool estimated = false; // at least one solve: value holds
    bool single = false;    // one solve was asked for: no error
    bool converged = false;
    double reached = 0; // the largest relative error of the headline figures
    std::wstring stop;  // why the study ended short of its tolerance, or the failure
    bool cancelled = false;
};

// Hears of each solve as it finishes, on the study's thread.
using line_watch = std::function<void(const line_point &)>;

// Solves the section at densities 0.5, 1, 2, ... (at most max_solves) until the headline
// figures (Z0 and eps_eff; a pair's Zdiff, Zcommon and two effective permittivities;
// every mode's Z and eps_eff) are within tolerance (a fraction, at least three solves),
// or once at density 2 when single. Stops at a failed or refused solve or a cancel,
// keeping what it had.
line_estimate line_study_run(const cross_section &section, double tolerance, bool single,
                             const calc_env &env, const line_watch &watch = {}, int max_solves = 6);

// The cross-section of a named line as typed; false with the reason when an option or
// the geometry is refused.
bool line_build(const line_input &input, cross_section &out, std::wstring &reason);

// The same for a named line as typed; a refused option or geometry ends it before any
// solve, with the reason in stop.
line_estimate line_study_input(const line_input &input, double tolerance, bool single,
                               const calc_env &env, const line_watch &watch = {});

// The figure a synthesis or sweep aims at or shows first: Z0, or a pair's Zdiff.
double line_headline(const line_estimate &e);
