// The exit statuses of orvanta-cli, as --help and the README list them.
#pragma once

enum cli_exit {
    cli_exit_result = 0,        // the result, or a converged estimate
    cli_exit_refused = 1,       // an input was refused (or a design could not be read)
    cli_exit_usage = 2,         // the options do not make a command
    cli_exit_failed = 3,        // the calculation failed
    cli_exit_not_written = 4,   // an output file (or a design) could not be written
    cli_exit_unreachable = 5,   // no value in the range searched reaches the target Z0
    cli_exit_not_converged = 6, // the convergence study stopped before its tolerance
};
