// Option parsing for orvanta-cli: "--name value" or "--name=value"; the last one of a
// repeated option counts.
#include "cli/cli_options.h"

#include "cli/cli_losses.h"

#include "input/design_file.h"
#include "input/length_units.h"
#include "input/number_syntax.h"
#include "input/utf8.h"
#include "studies/study.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>

const char cli_usage[] =
    "Usage: orvanta-cli [OPTION]...\n"
    "Compute the characteristic impedance Z0 and the effective permittivity of a\n"
    "two-strip transmission line: a dielectric slab with one strip on each face.\n"
    "\n"
    "Geometry, in millimetres, each value typed as in the calculator's dialog:\n"
    "  --w1 VALUE          width of the top strip (default 2.4)\n"
    "  --w2 VALUE|INF      width of the bottom strip; INF: microstrip over a ground\n"
    "                      plane (default 10)\n"
    "  --h VALUE           slab thickness (default 0.79)\n"
    "  --d VALUE           offset of the top strip's centre to the right of the\n"
    "                      bottom strip's centre (default 0.0)\n"
    "  --epsilon-r VALUE   relative permittivity of the slab (default 2.2)\n"
    "  --p VALUE|AUTO      slab overhang beyond the outermost strip edge (default 2.0)\n"
    "  --mesh-step VALUE|AUTO  nominal cell width (default AUTO); with --accurate the\n"
    "                      panels are graded towards every corner and edge, and the\n"
    "                      step scales them all: halving it doubles every panel set\n"
    "  --t VALUE           strip thickness (default 0: flat strips); needs --accurate\n"
    "\n"
    "Solver and studies:\n"
    "  --accurate          the whole cross-section (every face of the slab, strips\n"
    "                      with thickness) on graded panels with closed-form\n"
    "                      integrals, LU solves and exact physical constants\n"
    "  --converge[=TOL%]   refine every panel set (halving the step) until the\n"
    "                      extrapolation's correction is within TOL percent (default\n"
    "                      0.05%); prints the estimate with its error, or 'Not\n"
    "                      converged' and why; always with the accurate variant\n"
    "  --target-z0 OHMS --solve-for FIELD\n"
    "                      find the value of FIELD (w1, w2, h, d or epsilon-r, in its\n"
    "                      own units) that gives the target Z0\n"
    "  --sweep FIELD=FROM:TO:STEP\n"
    "                      one calculation per value of FIELD (also p, mesh-step or t);\n"
    "                      a CSV table (value, Z0, eps_eff, cells) on standard output\n"
    "  --csv FILE          write the sweep's table to FILE instead\n"
    "  --plot FILE         draw the sweep's Z0 and eps_eff as an SVG chart in FILE\n"
    "\n"
    "Design files:\n"
    "  --design FILE       start from the design in FILE (its field texts, thickness,\n"
    "                      variant and tolerance); options beside it override it\n"
    "  --save-design FILE  write the fields and choices as a design to FILE (after\n"
    "                      they pass validation), then run as without it\n"
    "\n"
    "Output:\n"
    "  --json              print one JSON object instead of the result lines (for a\n"
    "                      study, the study's record)\n"
    "  --charges FILE      write the slab problem's cell charges as CSV to FILE\n"
    "  --help              show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Line types (always the accurate variant, every figure with its error):\n"
    "  --line TYPE         two-strip (the default: the fields above), microstrip,\n"
    "                      coated-microstrip, embedded-microstrip, stripline, cpw, gcpw,\n"
    "                      coupled-microstrip, coupled-coated-microstrip,\n"
    "                      coupled-stripline, broadside-stripline, coupled-gcpw, coax,\n"
    "                      twin-wire\n"
    "  --unit mm|mil|um|in the unit of bare lengths (default mm); a length may also\n"
    "                      carry its own: 0.3mm, 12mil, 300um, 0.012in\n"
    "  --w --t --etch --h --epsilon-r  trace width at its base, thickness (0.035),\n"
    "                      set-back of each side of its top, dielectric under it and\n"
    "                      its permittivity\n"
    "  --s                 spacing of a pair (broadside: the dielectric between)\n"
    "  --g --ground-width  gap to the coplanar grounds, their width (AUTO)\n"
    "  --h2 --epsilon-r2   dielectric above the trace to the upper plane, and its\n"
    "                      permittivity (default: epsilon-r)\n"
    "  --cover             cover over an embedded microstrip (permittivity epsilon-r2)\n"
    "  --mask --epsilon-mask  solder-mask thickness and permittivity (3.5)\n"
    "  --substrate-width   width of the layers (default AUTO: without end)\n"
    "  --d-inner --d-outer coax; --diameter --pitch twin wire\n"
    "  --single            one solve, no error estimate\n"
    "  --converge=TOL%     the tolerance of the default estimate (0.05%)\n"
    "  --sweep OPTION=FROM:TO:STEP [--csv FILE]  one line per value\n"
    "  --target-z0 | --target-zdiff | --target-zcommon OHMS --solve-for OPTION\n"
    "  --xs FILE           compute a cross-section file; --save-xs FILE writes the\n"
    "                      cross-section a line type builds\n"
    "\n"
    "Losses and frequency (line types and --xs):\n"
    "  --frequency LIST    frequencies, rising, comma-separated: 1GHz,2.5GHz,10e9\n"
    "  --frequency-sweep FROM:TO:POINTS[:log]  evenly spaced (or in a constant ratio)\n"
    "                      per frequency: R, L, G, C, Zc, each mode's attenuation split\n"
    "                      into conductors and dielectric, phase constant, eps_eff, delay\n"
    "  --conductivity S/m  the conductors' (5.8e7, copper); planes and a coax shield are\n"
    "                      --t thick (a cross-section file's 0.035 mm)\n"
    "  --tan-delta --tan-delta2 --tan-delta-mask  loss tangents of the substrate (0.02),\n"
    "                      the second layer or cover (as --tan-delta) and the mask (0.025)\n"
    "  --dielectric-model constant|wideband-debye  (wideband-debye for board lines)\n"
    "  --reference-frequency F  where epsilon-r and the loss tangents hold (1GHz)\n"
    "  --roughness none|hammerstad|huray  with --roughness-rms LENGTH, or\n"
    "                      --ball-radius LENGTH and --surface-ratio RATIO\n"
    "  --rlgc FILE         write the per-frequency table as CSV to FILE\n"
    "  --length LENGTH --touchstone FILE  write the S-parameters of that length as\n"
    "                      Touchstone (.s2p, or .s4p for a pair: ports 1, 2 near end)\n"
    "  --reference-impedance OHMS  every port's reference (50)\n"
    "\n"
    "Exit status: 0 result, 1 refused input, 2 usage error, 3 failed calculation,\n"
    "4 an output file could not be written (or a design file saved), 5 the target Z0 is outside "
    "the range\n"
    "searched, 6 the convergence study stopped before reaching its tolerance.\n";

cli_options::cli_options() {
    for (const field_spec &f : field_specs())
        fields[field_index(f.field)] = f.start;
}

bool parse_option_number(std::string_view text, double &value) {
    std::wstring wide = utf8_to_wide(text);
    if (wide.empty() || wide.size() >= 999) return false;
    std::optional<double> number = number_finite(wide);
    if (number) value = *number;
    return number.has_value();
}

std::string cli_parse_tolerance(std::string_view arg, double &percent) {
    std::size_t equals = arg.find('=');
    if (equals == std::string_view::npos) return {};
    // A bare number is ambiguous (is 5 five percent or 500%?): only a percentage. It is
    // read as the decimal it is written as, so that a design saves what was typed.
    std::string_view text = arg.substr(equals + 1);
    double value = 0;
    bool read = text.size() > 1 && text.back() == '%' &&
                std::from_chars(text.data(), text.data() + text.size() - 1, value).ptr ==
                    text.data() + text.size() - 1;
    if (!read || !(value > 0 && value < 100))
        return "--converge takes a tolerance in percent above 0 and below 100, such as 0.05%";
    percent = value;
    return {};
}

std::string cli_option_value(int argc, const char *const *argv, int &i, std::string_view &value) {
    std::string_view arg = argv[i];
    std::size_t equals = arg.find('=');
    if (equals != std::string_view::npos) {
        value = arg.substr(equals + 1);
    } else if (i + 1 < argc) {
        value = argv[++i];
    } else {
        return "option '" + std::string(arg) + "' needs a value";
    }
    return {};
}

std::string cli_parse_sweep(std::string_view text, std::string_view &name, double &from, double &to,
                            double &step) {
    std::size_t equals = text.find('=');
    std::size_t colon1 = text.find(':', equals);
    std::size_t colon2 = colon1 == std::string_view::npos ? colon1 : text.find(':', colon1 + 1);
    if (equals == std::string_view::npos || colon2 == std::string_view::npos)
        return "--sweep takes NAME=FROM:TO:STEP";
    name = text.substr(0, equals);
    if (!parse_option_number(text.substr(equals + 1, colon1 - equals - 1), from) ||
        !parse_option_number(text.substr(colon1 + 1, colon2 - colon1 - 1), to) ||
        !parse_option_number(text.substr(colon2 + 1), step))
        return "--sweep: FROM, TO and STEP must be numbers";
    return {};
}

namespace {

// FIELD=FROM:TO:STEP
std::string parse_sweep(std::string_view text, cli_options &options) {
    std::string_view name;
    std::string error =
        cli_parse_sweep(text, name, options.sweep_from, options.sweep_to, options.sweep_step);
    if (!error.empty()) return error;
    options.sweep_field = field_by_option(name);
    if (!options.sweep_field) return "unknown field '" + std::string(name) + "'";
    if (study_sweep_count(options.sweep_from, options.sweep_to, options.sweep_step) == 0) {
        return "--sweep: STEP must lead from FROM to TO in at most 10000 steps";
    }
    return {};
}

} // namespace

namespace {

// One option that takes a value: a field's text, the synthesis, the sweep or a file.
std::string set_valued(std::string_view name, std::optional<input_field> field,
                       std::string_view value, cli_options &options) {
    if (field) {
        // A length may carry its unit ("1.6mm", "62mil"); it reaches validation in
        // millimetres, and a bare number untouched.
        std::wstring text = utf8_to_wide(value);
        options.fields[field_index(*field)] =
            field_is_length(*field) ? length_text_in_mm(text) : text;
    } else if (name == "--target-z0") {
        options.synthesize = true;
        if (!parse_option_number(value, options.target_z0) || !(options.target_z0 > 0)) {
            return "--target-z0 takes a positive number of ohms";
        }
    } else if (name == "--solve-for") {
        options.solve_for = field_by_option(value);
        if (!options.solve_for || field_index(*options.solve_for) >= field_index(input_field::p)) {
            return "--solve-for takes w1, w2, h, d or epsilon-r";
        }
    } else if (name == "--sweep") {
        std::string error = parse_sweep(value, options);
        if (!error.empty()) return error;
    } else if (name == "--line") {
        // Any other type went to the line types' command line before this parser.
        if (value != "two-strip") return "--line '" + std::string(value) + "' is no line type";
    } else if (value.empty()) {
        return "option '" + std::string(name) + "' needs a file name";
    } else if (name == "--design") {
        options.design_file = value; // read before the other options
    } else {
        (name == "--charges"       ? options.charges_file
         : name == "--csv"         ? options.csv_file
         : name == "--save-design" ? options.save_design_file
                                   : options.plot_file) = value;
    }
    return {};
}

// The options that only make sense together, or apart.
std::string check_combination(const cli_options &options) {
    if (options.synthesize != options.solve_for.has_value()) {
        return "--target-z0 and --solve-for go together";
    }
    if (int(options.converge) + int(options.synthesize) + int(options.sweep_field.has_value()) >
        1) {
        return "--converge, --target-z0 and --sweep cannot be combined";
    }
    if ((!options.csv_file.empty() || !options.plot_file.empty()) && !options.sweep_field) {
        return "--csv and --plot belong to --sweep";
    }
    // The mesh of the specified variant has flat strips only; a thickness it cannot
    // model must not be dropped silently. (A text that is no number is refused later,
    // by validation, like any field.)
    double thickness = 0;
    bool thick =
        parse_option_number(wide_to_utf8(options.fields[field_index(input_field::t)]), thickness) &&
        thickness != 0;
    bool sweeps_thickness = options.sweep_field == input_field::t;
    if ((thick || sweeps_thickness) && options.variant != solver_variant::accurate &&
        !options.converge) {
        return "a strip thickness (--t) needs the accurate variant (--accurate)";
    }
    return {};
}

} // namespace

namespace {

std::string parse_options(int argc, const char *const *argv, cli_options &options);

// The design's texts (in millimetres) and choices become the options' starting values.
void start_from_design(cli_options &options) {
    design d;
    if (!design_read(options.design_file, d, options.design_error)) return;
    for (int i = 0; i < input_field_count; ++i)
        options.fields[i] = design_field_mm(d, input_field(i));
    options.variant = d.variant;
    options.tolerance_percent = d.tolerance_percent;
}

} // namespace

std::string cli_parse(int argc, const char *const *argv, cli_options &options) {
    std::string error = parse_options(argc, argv, options);
    if (!error.empty()) return error;
    if (options.design_file.empty()) return check_combination(options);
    // The design first, then every other option again over it.
    cli_options over;
    over.design_file = options.design_file;
    start_from_design(over);
    if (!over.design_error.empty()) {
        options.design_error = over.design_error;
        return {};
    }
    options = over;
    error = parse_options(argc, argv, options);
    return error.empty() ? check_combination(options) : error;
}

namespace {

std::string parse_options(int argc, const char *const *argv, cli_options &options) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view name = arg.substr(0, arg.find('='));
        bool inline_value = name.size() < arg.size();

        if (name == "--help" || name == "--version" || name == "--json" || name == "--accurate") {
            if (inline_value) return "option '" + std::string(name) + "' takes no value";
            if (name == "--help") options.help = true;
            if (name == "--version") options.version = true;
            if (name == "--json") options.json = true;
            if (name == "--accurate") options.variant = solver_variant::accurate;
            continue;
        }
        if (name == "--converge") {
            options.converge = true;
            // A bare number is ambiguous (is 5 five percent or 500%?): only a percentage.
            std::string error = cli_parse_tolerance(arg, options.tolerance_percent);
            if (!error.empty()) return error;
            continue;
        }

        std::optional<input_field> field =
            name.substr(0, 2) == "--" ? field_by_option(name.substr(2)) : std::nullopt;
        constexpr std::string_view valued[] = {"--charges", "--target-z0",   "--solve-for",
                                               "--sweep",   "--csv",         "--plot",
                                               "--design",  "--save-design", "--line"};
        if (!field && cli_losses_option(name))
            return std::string(name) +
                   ": losses and frequencies are computed for the line types (--line) and "
                   "cross-section files (--xs), not for the two-strip line's fields";
        if (!field && std::find(std::begin(valued), std::end(valued), name) == std::end(valued)) {
            return "unknown option '" + std::string(arg) + "'";
        }

        std::string_view value;
        std::string error = cli_option_value(argc, argv, i, value);
        if (!error.empty()) return error;
        error = set_valued(name, field, value, options);
        if (!error.empty()) return error;
    }
    return {};
}

} // namespace
