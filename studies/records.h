// The JSON records of the calculator's runs and studies, as orvanta-cli --json prints
// them and the desktop program exports them. One convention for all of them: SI units
// (metres, ohms, farads per metre), ratios and tolerances as plain fractions, null for
// a value that does not exist (an INF or AUTO input, a figure of a failed run), the
// whole geometry in each record, and the reason beside every failure.
#pragma once

#include "core/base/calc_host.h"
#include "core/job/solver_variant.h"
#include "studies/study.h"

#include <string>
#include <vector>

// One calculation: the run's lines, then the line as the user entered it (a microstrip
// with its own h, C and C0) with the overhang and mesh step resolved, and for a
// microstrip that was solved as its mirrored pair, that pair under "mirrored". figures:
// null when the run never reached the job (refused: its numbers are then null).
std::string run_record_json(const std::vector<std::wstring> &lines, const calc_figures *figures,
                            solver_variant variant);

// A convergence study of the line entered (validated parameters): its points, verdict,
// estimates with their errors and observed order.
std::string convergence_record_json(const convergence &c, const calc_params &entered,
                                    double tolerance);

// A synthesis: the value found for the field (SI), or that none was, and why.
std::string synthesis_record_json(const synthesis &s, const calc_params &entered, input_field field,
                                  double target, solver_variant variant);

// A sweep: every point with its value (SI) and figures, or the reason it failed.
std::string sweep_record_json(const sweep &s, const calc_params &entered, solver_variant variant);
