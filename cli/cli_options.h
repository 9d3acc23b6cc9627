// The command line of orvanta-cli: the seven field texts, exactly as they would be typed
// into the dialog, and the output choices.
#pragma once

#include "core/job/solver_variant.h"
#include "input/fields.h"

#include <optional>
#include <string>
#include <string_view>

struct cli_options {
    cli_options();

    // In input_field order; each starts as its start text.
    std::wstring fields[input_field_count];
    bool json = false;
    solver_variant variant = solver_variant::specified;
    std::string charges_file; // empty: no charge table
    // The studies; at most one of them runs instead of the single calculation.
    bool converge = false;
    double tolerance_percent = default_tolerance_percent; // for --converge
    bool synthesize = false;
    double target_z0 = 0;                 // ohms, for --target-z0
    std::optional<input_field> solve_for; // for --target-z0
    std::optional<input_field> sweep_field;
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

// A number in the calculator's own syntax; false for any other text.
bool parse_option_number(std::string_view text, double &value);

// The tolerance of --converge=TOL% into percent (unchanged without '='); an empty text,
// or what is wrong.
std::string cli_parse_tolerance(std::string_view arg, double &percent);

// The value of the option at argv[i]: after its '=', else the next argument (i then
// moves past it); an empty text, or what is wrong.
std::string cli_option_value(int argc, const char *const *argv, int &i, std::string_view &value);

// --sweep's NAME=FROM:TO:STEP into its parts; an empty text, or what is wrong.
std::string cli_parse_sweep(std::string_view text, std::string_view &name, double &from, double &to,
                            double &step);

// What --version prints.
constexpr char cli_version_line[] = "orvanta-cli 1.0\n";

// The text of --help.
extern const char cli_usage[];
