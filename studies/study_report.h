// The studies' results as text: the lines of a convergence estimate and of a synthesis,
// a sweep's CSV table and its chart data. The command line prints them and the desktop
// program shows and exports the same texts.
#pragma once

#include "core/job/solver_variant.h"
#include "studies/study.h"
#include "studies/svg_plot.h"

#include <string>
#include <vector>

// The points solved, the verdict and, when something was solved, the estimate of Z0 and
// of the effective permittivity with their errors (UTF-8 lines without line ends): the
// heading, one line per solved step, then the verdict's lines, which a host printing as
// the study goes writes one by one.
std::vector<std::string> convergence_report(const convergence &c, double tolerance);
std::string convergence_heading(double tolerance);
std::string convergence_step(const study_point &point);
std::vector<std::string> convergence_verdict(const convergence &c, double tolerance);

// A synthesis that found its value: the value with the Z0 it gives, then the effective
// permittivity. One that did not: the line that says why (the range searched and its Z0
// values, or that no calculation succeeded).
std::vector<std::string> synthesis_report(const synthesis &s, input_field field, double target,
                                          solver_variant variant);

// The field's axis label with its unit, such as "w1 (mm)" or "epsilon_r".
std::string study_field_label(input_field field);

// The sweep's table: a header line (field,Z0,eps_eff,cells, and t unless the thickness
// is swept), then one row per value; a failed point keeps its value and thickness with
// empty figures.
std::string sweep_csv(const sweep &s);

// The sweep as the chart's series, NaN where a point failed.
plot_series sweep_series(const sweep &s);
