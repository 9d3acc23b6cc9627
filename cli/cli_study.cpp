// Result lines and records of the studies.
#include "cli/cli_study.h"

#include "cli/cli_exit.h"
#include "input/number_syntax.h"
#include "input/utf8.h"
#include "studies/study.h"
#include "studies/study_report.h"
#include "studies/svg_plot.h"
#include "studies/text_format.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

namespace {

// A failed point's own lines after the version line, so the reason is seen.
void print_failure(std::FILE *err, const study_point &point) {
    for (std::size_t i = 1; i < point.lines.size(); ++i)
        std::fprintf(err, "%s\n", wide_to_utf8(point.lines[i]).c_str());
}

// The strip thickness of the study in metres, as its records give every length.
std::string thickness_json(const cli_options &options) {
    std::optional<double> value = number_finite(options.fields[field_index(input_field::t)]);
    return value ? format_double(*value * 0.001) : "null";
}

int run_converge(const cli_options &options, std::FILE *out, std::FILE *err,
                 const calc_env &limits) {
    field_texts fields(std::begin(options.fields), std::end(options.fields));
    // The specified trapezoid sums scatter from mesh to mesh instead of converging, so
    // an estimate is only honest with the accurate variant.
    convergence c = study_converge(fields, options.tolerance, limits);
    std::string points_json;
    for (const study_point &p : c.points) {
        if (!p.ok) {
            print_failure(err, p);
            continue;
        }
        points_json += std::string(points_json.empty() ? "" : ",") +
                       "\n    {\"mesh_step\": " + format_double(p.mesh_step) +
                       ", \"cell_count\": " + std::to_string(p.cells) +
                       ", \"Z0\": " + format_double(p.z0) +
                       ", \"eps_eff\": " + format_double(p.eps_eff) + "}";
    }
    auto figure = [&c](double value) {
        return c.estimated && std::isfinite(value) ? format_double(value) : std::string("null");
    };
    if (options.json) {
        std::fprintf(
            out,
            "{\n  \"variant\": \"%s\",\n  \"tolerance\": %s,\n  \"converged\": %s,\n"
            "  \"stopped_by\": %s,\n  \"points\": [%s\n  ],\n  \"Z0\": %s,\n"
            "  \"Z0_error\": %s,\n  \"eps_eff\": %s,\n  \"eps_eff_error\": %s,\n"
            "  \"order\": %s,\n  \"t\": %s\n}\n",
            variant_name(solver_variant::accurate), format_double(options.tolerance).c_str(),
            c.converged ? "true" : "false", c.converged ? "null" : json_string(c.stop).c_str(),
            points_json.c_str(), figure(c.z0).c_str(), figure(c.z0_error).c_str(),
            figure(c.eps_eff).c_str(), figure(c.eps_eff_error).c_str(),
            c.order > 0 ? format_double(c.order).c_str() : "null", thickness_json(options).c_str());
    } else {
        for (const std::string &line : convergence_report(c, options.tolerance))
            std::fprintf(out, "%s\n", line.c_str());
    }
    return c.converged ? cli_exit_result : c.estimated ? cli_exit_not_converged : cli_exit_failed;
}

int run_synthesis(const cli_options &options, std::FILE *out, std::FILE *err,
                  const calc_env &limits) {
    field_texts fields(std::begin(options.fields), std::end(options.fields));
    synthesis s =
        study_synthesize(fields, *options.solve_for, options.target_z0, options.variant, limits);
    if (!s.found) {
        for (const std::string &line :
             synthesis_report(s, *options.solve_for, options.target_z0, options.variant))
            std::fprintf(err, "%s\n", line.c_str());
        return s.searched_from.empty() ? cli_exit_failed : cli_exit_unreachable;
    }
    const char *name = field_spec_of(*options.solve_for).option;
    std::string value = wide_to_utf8(s.best.value);
    if (options.json) {
        std::fprintf(out,
                     "{\n  \"variant\": \"%s\",\n  \"solve_for\": \"%s\",\n  \"value\": %s,\n"
                     "  \"target_Z0\": %s,\n  \"Z0\": %s,\n  \"eps_eff\": %s,\n"
                     "  \"cell_count\": %d,\n  \"solves\": %d,\n  \"t\": %s\n}\n",
                     variant_name(options.variant), name, value.c_str(),
                     format_double(options.target_z0).c_str(), format_double(s.best.z0).c_str(),
                     format_double(s.best.eps_eff).c_str(), s.best.cells, s.solves,
                     thickness_json(options).c_str());
    } else {
        for (const std::string &line :
             synthesis_report(s, *options.solve_for, options.target_z0, options.variant))
            std::fprintf(out, "%s\n", line.c_str());
    }
    return cli_exit_result;
}

// One calculation per value; the table (CSV, or with --json a JSON record on standard
// output) and the chart. Every row carries the thickness, so tables of different boards
// never read alike.
int run_sweep(const cli_options &options, std::FILE *out, std::FILE *err, const calc_env &limits) {
    field_texts fields(std::begin(options.fields), std::end(options.fields));
    sweep run = study_sweep(fields, *options.sweep_field, options.sweep_from, options.sweep_to,
                            options.sweep_step, options.variant, limits);
    const char *name = field_spec_of(*options.sweep_field).option;
    std::string table = sweep_csv(run);
    std::string json_points;
    int failures = 0;
    for (const study_point &p : run.points) {
        std::string text = wide_to_utf8(p.value);
        json_points += std::string(json_points.empty() ? "" : ",") + "\n    {\"" + name +
                       "\": " + text + ", \"ok\": " + (p.ok ? "true" : "false");
        if (p.ok) {
            json_points += ", \"Z0\": " + format_double(p.z0) +
                           ", \"eps_eff\": " + format_double(p.eps_eff) +
                           ", \"cell_count\": " + std::to_string(p.cells);
        } else {
            ++failures;
            std::fprintf(err, "%s = %s:\n", name, text.c_str());
            print_failure(err, p);
        }
        json_points += "}";
    }
    bool written = true;
    if (!options.csv_file.empty()) {
        written = write_file(options.csv_file, err,
                             [&](std::FILE *f) { return std::fputs(table.c_str(), f) >= 0; });
    }
    if (options.json) {
        std::fprintf(out,
                     "{\n  \"variant\": \"%s\",\n  \"field\": \"%s\",\n  \"t\": %s,\n"
                     "  \"points\": [%s\n  ]\n}\n",
                     variant_name(options.variant), name,
                     options.sweep_field == input_field::t ? "null"
                                                           : thickness_json(options).c_str(),
                     json_points.c_str());
    } else if (options.csv_file.empty()) {
        std::fputs(table.c_str(), out);
    }
    if (!options.plot_file.empty()) {
        written = write_file(options.plot_file, err,
                             [&](std::FILE *f) { return write_svg_plot(f, sweep_series(run)); }) &&
                  written;
    }
    if (!written) return cli_exit_not_written;
    return failures == long(run.points.size()) ? cli_exit_failed : cli_exit_result;
}

} // namespace

int cli_study_run(const cli_options &options, std::FILE *out, std::FILE *err,
                  const calc_env &limits) {
    if (options.converge) return run_converge(options, out, err, limits);
    if (options.synthesize) return run_synthesis(options, out, err, limits);
    return run_sweep(options, out, err, limits);
}
