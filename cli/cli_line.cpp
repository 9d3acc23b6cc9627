// Options, runs and printing of the line types.
#include "cli/cli_line.h"

#include "cli/cli_exit.h"
#include "cli/cli_losses.h"
#include "cli/cli_options.h"
#include "input/design_file.h"
#include "input/length_units.h"
#include "input/line_options.h"
#include "input/number_syntax.h"
#include "input/utf8.h"
#include "input/xs_file.h"
#include "studies/line_report.h"
#include "studies/line_search.h"
#include "studies/study.h"
#include "studies/text_format.h"

#include <cmath>
#include <optional>
#include <string>

namespace {

struct line_command {
    line_input input;
    length_unit unit = length_unit::mm;
    bool json = false;
    bool single = false;
    double tolerance_percent = default_tolerance_percent;
    std::optional<line_option> sweep;
    double from = 0, to = 0, step = 0;
    std::string csv_file;
    std::optional<line_target> target;
    double goal = 0;
    std::optional<line_option> solve_for;
    std::string xs_file;      // a cross-section to compute instead of a named type
    std::string save_xs_file; // where to write the named type's cross-section
    std::string save_design_file;
    bool help = false, version = false;
    bool line_given = false, options_given = false;
    losses_command losses;
};

std::string_view option_name(std::string_view arg) {
    return arg.substr(0, arg.find('='));
}

// The value of the last option of this name among the arguments (the one that counts),
// or none.
std::optional<std::string_view> last_value(int argc, const char *const *argv,
                                           std::string_view name) {
    std::optional<std::string_view> found;
    for (int i = 1; i < argc; ++i) {
        std::string_view value;
        if (option_name(argv[i]) == name && cli_option_value(argc, argv, i, value).empty())
            found = value;
    }
    return found;
}

// The value of --unit, which every length option is read in, wherever it stands.
std::string find_unit(int argc, const char *const *argv, length_unit &unit) {
    std::optional<std::string_view> value = last_value(argc, argv, "--unit");
    if (value && !length_unit_from_name(*value, unit)) return "--unit takes mm, mil, um or in";
    return {};
}

std::string parse_sweep(std::string_view text, line_command &c) {
    std::string_view name;
    std::string error = cli_parse_sweep(text, name, c.from, c.to, c.step);
    if (!error.empty()) return error;
    c.sweep = line_option_by_spelling(name);
    if (!c.sweep || !line_option_applies(*c.sweep, c.input.type))
        return "--sweep: '" + std::string(name) + "' is no option of " +
               line_type_spec_of(c.input.type).name;
    if (line_option_spec_of(*c.sweep).unit == field_unit::length) {
        double mm = length_unit_mm(c.unit);
        c.from *= mm;
        c.to *= mm;
        c.step *= mm;
    }
    if (study_sweep_count(c.from, c.to, c.step) == 0)
        return "--sweep: STEP must lead from FROM to TO in at most 10000 steps";
    return {};
}

std::string parse(int argc, const char *const *argv, line_command &c) {
    std::string error = find_unit(argc, argv, c.unit);
    if (!error.empty()) return error;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view name = option_name(arg);
        bool inline_value = name.size() < arg.size();
        if (name == "--help" || name == "--version") {
            c.help = c.help || name == "--help";
            c.version = c.version || name == "--version";
            continue;
        }
        if (name == "--json" || name == "--single" || name == "--accurate") {
            if (inline_value) return "option '" + std::string(name) + "' takes no value";
            c.json = c.json || name == "--json";
            c.single = c.single || name == "--single";
            continue;
        }
        if (name == "--converge") {
            error = cli_parse_tolerance(arg, c.tolerance_percent);
            if (!error.empty()) return error;
            continue;
        }
        if (name.substr(0, 2) != "--") return "unknown option '" + std::string(arg) + "'";
        std::string_view value;
        error = cli_option_value(argc, argv, i, value);
        if (!error.empty()) return error;
        std::string_view bare = name.substr(2);
        const char *type_name = line_type_spec_of(c.input.type).name;
        c.line_given = c.line_given || name == "--line";
        if (name == "--line" || name == "--unit") continue;
        if (std::optional<line_option> o = line_option_by_spelling(bare)) {
            if (!line_option_applies(*o, c.input.type))
                return std::string(name) + " applies to " + line_option_types_text(*o) +
                       ", not to " + type_name;
            c.options_given = true;
            c.input.texts[std::size_t(*o)] = line_option_spec_of(*o).unit == field_unit::length
                                                 ? length_text_typed_mm(utf8_to_wide(value), c.unit)
                                                 : utf8_to_wide(value);
        } else if (field_by_option(bare)) {
            return std::string(name) + " belongs to the two-strip line, not to " + type_name;
        } else if (cli_losses_option(name)) {
            error = cli_losses_parse(c.losses, name, value, c.unit);
            if (!error.empty()) return error;
        } else if (name == "--sweep") {
            error = parse_sweep(value, c);
            if (!error.empty()) return error;
        } else if (name == "--csv") {
            c.csv_file = value;
        } else if (name == "--design") {
            continue; // read before the other options
        } else if (name == "--save-design") {
            if (value.empty()) return "option '--save-design' needs a file name";
            c.save_design_file = value;
        } else if (name == "--xs" || name == "--save-xs") {
            if (value.empty()) return "option '" + std::string(name) + "' needs a file name";
            (name == "--xs" ? c.xs_file : c.save_xs_file) = value;
        } else if (name == "--target-z0" || name == "--target-zdiff" ||
                   name == "--target-zcommon") {
            c.target = name == "--target-z0"      ? line_target::z0
                       : name == "--target-zdiff" ? line_target::zdiff
                                                  : line_target::zcommon;
            if (!parse_option_number(value, c.goal) || !(c.goal > 0))
                return std::string(name) + " takes a positive number of ohms";
            bool pair = line_signal_count(c.input.type) == 2;
            if (pair == (c.target == line_target::z0))
                return std::string(name) +
                       (pair ? " is for a single line: a pair takes "
                               "--target-zdiff or --target-zcommon"
                             : " is for a pair: a single line takes --target-z0");
        } else if (name == "--solve-for") {
            c.solve_for = line_option_by_spelling(value);
            if (!c.solve_for || !line_option_applies(*c.solve_for, c.input.type) ||
                line_option_spec_of(*c.solve_for).keyword)
                return "--solve-for takes a length or permittivity option of " +
                       std::string(type_name);
        } else {
            return "unknown option '" + std::string(arg) + "'";
        }
    }
    if (!c.xs_file.empty() &&
        (c.sweep || c.target || !c.save_xs_file.empty() || c.options_given || c.line_given))
        return "--xs computes the file as it is: line types, their options, sweeps, syntheses "
               "and --save-xs take --line instead";
    if (c.target.has_value() != c.solve_for.has_value())
        return "a --target option and --solve-for go together";
    if (c.target && c.sweep) return "a synthesis and --sweep cannot be combined";
    if (!c.csv_file.empty() && !c.sweep) return "--csv belongs to --sweep";
    if (c.losses.frequencies_given && (c.sweep || c.target))
        return "--frequency and --frequency-sweep cannot be combined with a sweep or a synthesis";
    return cli_losses_check(c.losses);
}

void print_lines(std::FILE *out, const std::vector<std::string> &lines) {
    for (const std::string &line : lines)
        std::fprintf(out, "%s\n", line.c_str());
    std::fflush(out);
}

// The option's value in the chosen unit, as the tables print it.
double shown(const line_command &c, line_option option, double mm) {
    return line_option_spec_of(option).unit == field_unit::length ? mm / length_unit_mm(c.unit)
                                                                  : mm;
}

int run_sweep(const line_command &c, std::FILE *out, std::FILE *err, const calc_env &env) {
    double tolerance = c.tolerance_percent / 100;
    line_sweep s =
        line_sweep_run(c.input, *c.sweep, c.from, c.to, c.step, tolerance, c.single, env);
    if (c.json) {
        std::fputs(line_sweep_json(c.input, s, tolerance).c_str(), out);
        return cli_exit_result;
    }
    bool pair = line_signal_count(c.input.type) == 2;
    auto write = [&](std::FILE *file) {
        std::fprintf(file, "%s,%s\n", line_option_spec_of(*c.sweep).spelling,
                     pair ? "Zdiff,Zdiff_error,Zcommon,Zcommon_error,eps_eff_odd,eps_eff_even"
                          : "Z0,Z0_error,eps_eff,eps_eff_error");
        for (std::size_t k = 0; k < s.points.size(); ++k) {
            const line_estimate &e = s.points[k];
            std::fprintf(file, "%s", format_double(shown(c, *c.sweep, s.x[k])).c_str());
            if (!e.estimated) {
                std::fprintf(file, ",,,,%s\n", pair ? ",," : "");
                std::fprintf(err, "orvanta-cli: %s = %g: %s\n",
                             line_option_spec_of(*c.sweep).spelling, s.x[k],
                             wide_to_utf8(e.stop).c_str());
                continue;
            }
            const line_layout &l = e.layout;
            std::vector<std::size_t> columns =
                pair
                    ? std::vector<std::size_t>{l.at(pair_figure::zdiff), l.at(pair_figure::zcommon)}
                    : std::vector<std::size_t>{l.at(line_figure::z0), l.at(line_figure::eps_eff)};
            for (std::size_t f : columns)
                std::fprintf(file, ",%s,%s", format_double(e.value[f]).c_str(),
                             format_double(e.single ? NAN : e.error[f]).c_str());
            if (pair)
                std::fprintf(file, ",%s,%s",
                             format_double(e.value[l.at(pair_figure::eps_eff_odd)]).c_str(),
                             format_double(e.value[l.at(pair_figure::eps_eff_even)]).c_str());
            std::fputc('\n', file);
        }
        return std::ferror(file) == 0;
    };
    if (c.csv_file.empty()) {
        write(out);
    } else if (!write_file(c.csv_file, err, write)) {
        return cli_exit_not_written;
    }
    return cli_exit_result;
}

int run_synthesis(const line_command &c, std::FILE *out, std::FILE *err, const calc_env &env) {
    double tolerance = c.tolerance_percent / 100;
    const char *target = *c.target == line_target::z0      ? "Z0"
                         : *c.target == line_target::zdiff ? "Zdiff"
                                                           : "Zcommon";
    line_synthesis s = line_synthesize(c.input, *c.solve_for, *c.target, c.goal, tolerance, env);
    const line_option_spec &solved = line_option_spec_of(*c.solve_for);
    bool length = solved.unit == field_unit::length;
    const char *unit = length ? length_unit_name(c.unit) : "";
    if (c.json) {
        std::fputs(line_synthesis_json(c.input, *c.solve_for, target, c.goal, s, tolerance).c_str(),
                   out);
    } else if (s.found) {
        std::fprintf(out, "%s = %.4f%s%s for %s = %.3f Ohm (%d solves)\n", solved.spelling,
                     shown(c, *c.solve_for, s.value), length ? " " : "", unit, target, c.goal,
                     s.solves);
        print_lines(out,
                    line_report(line_type_spec_of(c.input.type).label, s.best, c.unit, tolerance));
    } else if (!s.failure.empty()) {
        std::fprintf(err, "orvanta-cli: the synthesis stopped at %s = %s\n", solved.spelling,
                     wide_to_utf8(s.failure).c_str());
    } else {
        std::fprintf(err,
                     "orvanta-cli: %s = %.3f Ohm is outside the range searched: %s from %g to %g%s "
                     "gives %s from %.3f to %.3f Ohm\n",
                     target, c.goal, solved.spelling, shown(c, *c.solve_for, s.from),
                     shown(c, *c.solve_for, s.to), unit, target, s.figure_from, s.figure_to);
    }
    if (s.found) return cli_line_exit(s.best);
    return s.failure.empty() && !s.cancelled ? cli_exit_unreachable : cli_exit_failed;
}

} // namespace

int cli_line_exit(const line_estimate &e) {
    if (!e.estimated) return e.points.empty() && !e.cancelled ? cli_exit_refused : cli_exit_failed;
    return e.single || e.converged ? cli_exit_result : cli_exit_not_converged;
}

bool cli_is_line_type(int argc, const char *const *argv) {
    if (last_value(argc, argv, "--xs")) return true;
    if (std::optional<std::string_view> line = last_value(argc, argv, "--line"))
        return *line != "two-strip";
    // A design of a line type, unless it cannot be read (the two-strip line's command line
    // then says why).
    std::optional<std::string_view> file = last_value(argc, argv, "--design");
    design d;
    std::string ignored;
    return file && design_read(std::string(*file), d, ignored) &&
           d.line.type != line_type::two_strip;
}

int cli_line_run(int argc, const char *const *argv, std::FILE *out, std::FILE *err,
                 const calc_env &limits) {
    line_command c;
    // A design first (its line, options and tolerance), then the options over it.
    if (std::optional<std::string_view> file = last_value(argc, argv, "--design")) {
        design d;
        std::string error;
        if (!design_read(std::string(*file), d, error)) {
            std::fprintf(err, "orvanta-cli: %s\n", error.c_str());
            return cli_exit_refused;
        }
        c.input = design_line_mm(d);
        c.tolerance_percent = d.tolerance_percent;
    }
    if (std::optional<std::string_view> line = last_value(argc, argv, "--line")) {
        std::optional<line_type> type = line_type_by_name(*line);
        if (!type) {
            std::string names;
            for (const line_type_spec &t : line_type_specs())
                names += std::string(names.empty() ? "" : ", ") + t.name;
            std::fprintf(err, "orvanta-cli: --line '%s' is no line type: %s\n",
                         std::string(*line).c_str(), names.c_str());
            return cli_exit_usage;
        }
        c.input = line_input_start(*type);
    }
    std::string error = parse(argc, argv, c);
    if (!error.empty()) {
        std::fprintf(err, "orvanta-cli: %s\nTry 'orvanta-cli --help' for more information.\n",
                     error.c_str());
        return cli_exit_usage;
    }
    if (c.help || c.version) {
        std::fputs(c.help ? cli_usage : cli_version_line, out);
        return cli_exit_result;
    }
    calc_env env = limits;
    env.sinks = {nullptr, nullptr, nullptr};
    if (c.sweep) return run_sweep(c, out, err, env);
    if (c.target) return run_synthesis(c, out, err, env);
    double tolerance = c.tolerance_percent / 100;
    cross_section section{};
    bool from_file = !c.xs_file.empty();
    std::string title =
        from_file ? "Cross-section " + c.xs_file : line_type_spec_of(c.input.type).label;
    if (from_file && !xs_read(c.xs_file, section, error)) {
        std::fprintf(err, "orvanta-cli: %s\n", error.c_str());
        return cli_exit_refused;
    }
    if (!c.save_design_file.empty()) {
        design d;
        d.line = c.input;
        d.variant = solver_variant::accurate;
        d.tolerance_percent = c.tolerance_percent;
        if (!design_validate(d, error) || !design_write(c.save_design_file, d, error)) {
            std::fprintf(err, "orvanta-cli: %s\n", error.c_str());
            return cli_exit_not_written;
        }
    }
    if (!c.save_xs_file.empty()) {
        std::wstring reason;
        if (!line_build(c.input, section, reason)) {
            std::fprintf(err, "orvanta-cli: %s\n", wide_to_utf8(reason).c_str());
            return cli_exit_refused;
        }
        if (!xs_write(c.save_xs_file, section, error)) {
            std::fprintf(err, "orvanta-cli: %s\n", error.c_str());
            return cli_exit_not_written;
        }
    }
    if (c.losses.frequencies_given)
        return cli_losses_run(
            c.losses,
            {from_file ? nullptr : &c.input, &section, title, c.unit, tolerance, c.single, c.json},
            out, err, env);
    if (!c.json) std::fprintf(out, "%s\n", title.c_str());
    line_watch watch;
    line_layout layout{from_file ? section.electrode_count : line_signal_count(c.input.type)};
    if (!c.json)
        watch = [out, layout](const line_point &p) {
            std::fprintf(out, "%s\n", line_step_report(p, layout).c_str());
            std::fflush(out);
        };
    line_estimate e = from_file ? line_study_run(section, tolerance, c.single, env, watch)
                                : line_study_input(c.input, tolerance, c.single, env, watch);
    if (c.json) {
        std::fputs(line_record_json(from_file ? nullptr : &c.input, e, tolerance).c_str(), out);
    } else if (!e.estimated) {
        std::fprintf(err, "orvanta-cli: %s\n", wide_to_utf8(e.stop).c_str());
    } else {
        std::vector<std::string> lines = line_report(title, e, c.unit, tolerance);
        lines.erase(lines.begin());
        print_lines(out, lines);
    }
    return cli_line_exit(e);
}
