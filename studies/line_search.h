// Sweeps and syntheses over a line type's options: one option varied, every point a
// complete run on the texts it would be typed as, so that each value reported can be
// typed back and gives the same figures.
#pragma once

#include "studies/line_study.h"

#include <optional>
#include <string>
#include <vector>

// The figure a synthesis aims at.
enum class line_target { z0, zdiff, zcommon };

struct line_sweep {
    line_option option = line_option::w;
    std::vector<double> x;             // the values, the option's units (mm for a length)
    std::vector<line_estimate> points; // one per value
    bool cancelled = false;
};

// One run per value from `from` to `to` in steps of `step` (study_sweep_count's rule),
// each a single solve or an estimate with its error.
line_sweep line_sweep_run(const line_input &input, line_option option, double from, double to,
                          double step, double tolerance, bool single, const calc_env &env);

struct line_synthesis {
    bool found = false;
    double value = 0;   // the option's value (mm for a length), on its grid
    line_estimate best; // the run at that value, with its error
    int solves = 0;
    double from = 0, to = 0;               // the range searched
    double figure_from = 0, figure_to = 0; // the target figure at its ends
    std::wstring failure;                  // the first value that could not be solved and why
    bool cancelled = false;
};

// The figure of an estimate a target names; NaN when the line has no such figure (a
// pair's Zdiff of a single line).
double line_target_figure(const line_estimate &e, line_target target);

// Finds the value of the option that gives the target figure within 0.001 ohm (or as
// close as the grid of 0.1 um, or 0.0001 for a permittivity, allows): brackets it on a
// geometric ladder from the option's value, then Brent's method on single solves; the
// value found is then run with its error estimate.
line_synthesis line_synthesize(const line_input &input, line_option option, line_target target,
                               double goal, double tolerance, const calc_env &env);
