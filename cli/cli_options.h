// The command line of orvanta-cli: the seven field texts, exactly as they would be typed
// into the dialog, and the output choices.
#pragma once

#include "core/job/solver_variant.h"
#include "input/read_inputs.h"

#include <string>
#include <string_view>

struct cli_options {
    // Indexed by at(input_field), then the thickness; each starts as the
    // dialog's start value (the thickness as 0, flat strips).
    std::wstring fields[8] = {L"2.4", L"10", L"0.79", L"0.0", L"2.2", L"2.0", L"AUTO", L"0"};
    bool json = false;
    solver_variant variant = solver_variant::specified;
    std::string charges_file; // empty: no charge table
    // The studies; at most one of them runs instead of the single calculation.
    bool converge = false;
    double tolerance = 0.0005; // relative, for --converge (typed as a percentage)
    bool synthesize = false;
    double target_z0 = 0; // ohms, for --target-z0
    int solve_for = -1;   // field index for --target-z0
    int sweep_field = -1; // field index for --sweep
    double sweep_from = 0, sweep_to = 0, sweep_step = 0;
    std::string csv_file;  // the sweep's table; empty: standard output
    std::string plot_file; // the sweep's SVG chart; empty: none
    // A design file read before the other options (which override it), and one to write.
    std::string design_file;
    std::string design_error; // why design_file could not be read; empty: it was
    std::string save_design_file;
    bool help = false;
    bool version = false;
};

// Parses argv. Returns an empty text on success, else the usage error to show.
std::string cli_parse(int argc, const char *const *argv, cli_options &options);

// The field index of an option's field name (w1, w2, h, d, epsilon-r, p, mesh-step, t),
// or -1 for none.
int cli_field_index(std::string_view name);

// The option name of a field index (w1, ..., t). The index must be valid.
const char *cli_field_name(int field);

// The text of --help.
extern const char cli_usage[];
