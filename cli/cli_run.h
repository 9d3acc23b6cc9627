// The command-line host of the calculator: validation and the calculation job driven
// from option texts, with the result lines, a JSON record or a charge table as output.
#pragma once

#include <cstdio>

enum cli_exit {
    cli_exit_result = 0,
    cli_exit_refused = 1,
    cli_exit_usage = 2,
    cli_exit_failed = 3,
    cli_exit_charges_file = 4,
};

// Runs one invocation, writing to out and err, and returns its exit status.
int cli_run(int argc, const char *const *argv, std::FILE *out, std::FILE *err);
