// The command line's studies: --converge, --target-z0 and --sweep, with their result
// lines, JSON record, CSV table and chart.
#pragma once

#include "cli/cli_options.h"

#include <cstdio>

// Runs the study the options ask for on their (already validated) field texts and
// returns the exit status.
int cli_study_run(const cli_options &options, std::FILE *out, std::FILE *err);

// Exit status of a target Z0 that no value in the searched range reaches.
constexpr int cli_exit_unreachable = 5;

// Exit status of a convergence study that stopped before its tolerance; its best
// estimate and error are printed all the same.
constexpr int cli_exit_not_converged = 6;
