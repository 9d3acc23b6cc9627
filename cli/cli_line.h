// The command line of the named line types (--line TYPE other than two-strip): their
// options in the chosen unit, the run with its error stated, the sweeps and syntheses.
#pragma once

#include "core/base/calc_env.h"
#include "studies/line_study.h"

#include <cstdio>
#include <string_view>

// Whether the arguments ask for a line type other than the two-strip line.
bool cli_is_line_type(int argc, const char *const *argv);

// The exit status of a study: refused, failed, converged (or one solve), or stopped short.
int cli_line_exit(const line_estimate &e);

// Runs the line type's command and returns the exit status.
int cli_line_run(int argc, const char *const *argv, std::FILE *out, std::FILE *err,
                 const calc_env &limits);
