// The command line's studies: --converge, --target-z0 and --sweep, with their result
// lines, JSON record, CSV table and chart.
#pragma once

#include "cli/cli_options.h"
#include "core/base/calc_env.h"
#include "core/base/params.h"

#include <cstdio>

// Runs the study the options ask for on their field texts, which validation accepted as
// entered (the records' geometry), each point within the memory ceiling, threads and
// test switches of limits, and returns the exit status.
int cli_study_run(const cli_options &options, const calc_params &entered, std::FILE *out,
                  std::FILE *err, const calc_env &limits);
