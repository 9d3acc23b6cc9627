// The command-line host of the calculator: validation and the calculation job driven
// from option texts, with the result lines, a JSON record or a charge table as output.
#pragma once

#include "cli/cli_exit.h"
#include "core/base/calc_env.h"

#include <cstdio>

// Runs one invocation, writing to out and err, and returns its exit status. Its runs take
// the memory ceiling, threads and test switches of limits.
int cli_run(int argc, const char *const *argv, std::FILE *out, std::FILE *err,
            const calc_env &limits = {});
