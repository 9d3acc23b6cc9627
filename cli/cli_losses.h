// The command line's losses and frequencies: the options that ask for them (the
// materials, the frequency list, a length's Touchstone file, the R-L-G-C table), and the
// run that prints and writes them for a line type or a cross-section file.
#pragma once

#include "input/loss_options.h"
#include "studies/line_study.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

struct losses_command {
    loss_input loss;
    std::vector<double> frequencies;
    bool frequencies_given = false, loss_given = false, z_ref_given = false;
    double length = 0; // m
    double z_ref = 50; // ohms
    std::string touchstone_file, rlgc_file;
};

// Whether name (with its "--") is one of these options.
bool cli_losses_option(std::string_view name);

// Reads one of these options' value (lengths in the unit). Returns the empty text, or
// what is wrong.
std::string cli_losses_parse(losses_command &c, std::string_view name, std::string_view value,
                             length_unit unit);

// The combinations that make no command: outputs over frequency without frequencies, a
// Touchstone file without a length or the other way round. Returns the empty text, or
// what is wrong.
std::string cli_losses_check(const losses_command &c);

// What the run is: a named line (input) or a cross-section file, titled, for the text
// and the Touchstone file's comments.
struct losses_line {
    const line_input *input; // null for a file
    const cross_section *file_section;
    std::string title;
    length_unit unit;
    double tolerance;
    bool single;
    bool json;
};

// Runs the line over the frequencies: the lossless study, its losses, and the files
// asked for. Returns the exit status.
int cli_losses_run(const losses_command &c, const losses_line &line, std::FILE *out, std::FILE *err,
                   const calc_env &env);
