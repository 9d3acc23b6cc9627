// Result lines and records of the studies.
#include "cli_study.h"
#include "../core/messages.h"

#include "../core/c_locale.h"
#include "../input/number_syntax.h"
#include "../input/read_inputs.h"
#include "cli_format.h"
#include "cli_run.h"
#include "study.h"
#include "svg_plot.h"
#include "utf8.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr const char *field_labels[] = {"w1 (mm)",   "w2 (mm)", "h (mm)",         "d (mm)",
                                        "epsilon_r", "p (mm)",  "mesh step (mm)", "t (mm)"};

std::string printf_string(const char *format, auto... values) {
    c_locale_scope numbers_in_c_locale;
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// A failed point's own lines after the version line, so the reason is seen.
void print_failure(std::FILE *err, const study_point &point) {
    for (std::size_t i = 1; i < point.lines.size(); ++i)
        std::fprintf(err, "%s\n", wide_to_utf8(point.lines[i]).c_str());
}

// The strip thickness of the study in metres, as its records give every length.
std::string thickness_json(const cli_options &options) {
    std::wstring text = options.fields[field_index(input_field::t)];
    wchar_t buffer[message_buffer_size];
    copy_field_text(text, buffer, message_buffer_size);
    double value = 0;
    if (parse_number(buffer, &value) != parse_ok) return "null";
    return format_double(value * 0.001);
}

const char *variant_name(solver_variant variant) {
    return variant == solver_variant::accurate ? "accurate" : "specified";
}

int run_converge(const cli_options &options, std::FILE *out, std::FILE *err) {
    field_texts fields(std::begin(options.fields), std::end(options.fields));
    // The specified trapezoid sums scatter from mesh to mesh instead of converging, so
    // an estimate is only honest with the accurate variant.
    convergence c = study_converge(fields, options.tolerance);
    std::string lines = printf_string("Convergence with the accurate variant, tolerance %g%%\n",
                                      options.tolerance * 100);
    std::string points_json;
    for (const study_point &p : c.points) {
        if (!p.ok) {
            print_failure(err, p);
            continue;
        }
        lines +=
            printf_string("step %s mm: %d cells, Z0 = %.6f Ohm, effective permittivity = %.6f\n",
                          wide_to_utf8(p.value).c_str(), p.cells, p.z0, p.eps_eff);
        points_json += std::string(points_json.empty() ? "" : ",") +
                       "\n    {\"mesh_step\": " + format_double(p.mesh_step) +
                       ", \"cell_count\": " + std::to_string(p.cells) +
                       ", \"Z0\": " + format_double(p.z0) +
                       ", \"eps_eff\": " + format_double(p.eps_eff) + "}";
    }
    std::string stop = wide_to_utf8(c.stop);
    if (c.converged) {
        lines += printf_string("Converged: estimated error %.2g%%, within %g%%\n", c.reached * 100,
                               options.tolerance * 100);
    } else if (c.estimated) {
        lines +=
            printf_string("Not converged: estimated error %.2g%% (tolerance %g%%); stopped by %s\n",
                          c.reached * 100, options.tolerance * 100, stop.c_str());
    } else {
        lines += "Calculation failed: " + stop + "\n";
    }
    if (c.estimated) {
        lines +=
            c.order > 0
                ? printf_string(
                      "Z0 = %.6f +- %.6f Ohm (Richardson extrapolation, observed order %.2f)\n",
                      c.z0, c.z0_error, c.order)
                : printf_string("Z0 = %.6f +- %.6f Ohm (no orderly approach: last solve)\n", c.z0,
                                c.z0_error);
        lines +=
            printf_string("Effective permittivity = %.6f +- %.6f\n", c.eps_eff, c.eps_eff_error);
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
        std::fputs(lines.c_str(), out);
    }
    return c.converged ? cli_exit_result : c.estimated ? cli_exit_not_converged : cli_exit_failed;
}

int run_synthesis(const cli_options &options, std::FILE *out, std::FILE *err) {
    field_texts fields(std::begin(options.fields), std::end(options.fields));
    synthesis s = study_synthesize(fields, options.solve_for, options.target_z0, options.variant);
    const char *name = cli_field_name(options.solve_for);
    if (s.searched_from.empty()) {
        std::fprintf(err, "No calculation succeeded while searching %s\n", name);
        return cli_exit_failed;
    }
    if (!s.found) {
        std::fprintf(err,
                     "Target Z0 = %s Ohm is outside the range searched: %s from %s to %s gives "
                     "Z0 from %.6f to %.6f Ohm (%d solves)\n",
                     format_double(options.target_z0).c_str(), name,
                     wide_to_utf8(s.searched_from).c_str(), wide_to_utf8(s.searched_to).c_str(),
                     s.z0_from, s.z0_to, s.solves);
        return cli_exit_unreachable;
    }
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
        std::fprintf(out, "%s = %s gives Z0 = %s Ohm (target %s Ohm, %d solves, %s variant)\n",
                     name, value.c_str(), printf_string("%.6f", s.best.z0).c_str(),
                     format_double(options.target_z0).c_str(), s.solves,
                     variant_name(options.variant));
        std::fprintf(out, "Effective permittivity = %s\n",
                     printf_string("%.6f", s.best.eps_eff).c_str());
    }
    return cli_exit_result;
}

// One calculation per value; the table (CSV, or with --json a JSON record on standard
// output) and the chart. Every row carries the thickness, so tables of different boards
// never read alike.
int run_sweep(const cli_options &options, std::FILE *out, std::FILE *err) {
    field_texts fields(std::begin(options.fields), std::end(options.fields));
    long count =
        long(std::floor((options.sweep_to - options.sweep_from) / options.sweep_step + 1e-9)) + 1;
    const char *name = cli_field_name(options.sweep_field);
    plot_series series{field_labels[options.sweep_field], {}, {}, {}};
    std::string table = std::string(name) + ",Z0,eps_eff,cells,t\n";
    std::string json_points;
    int failures = 0;
    for (long k = 0; k < count; ++k) {
        double value = options.sweep_from + double(k) * options.sweep_step;
        fields[options.sweep_field] = study_value_text(value);
        study_point p = study_run(fields, options.variant);
        std::string text = wide_to_utf8(fields[options.sweep_field]);
        std::string thickness = wide_to_utf8(fields[field_index(input_field::t)]);
        series.x.push_back(value);
        series.z0.push_back(p.ok ? p.z0 : NAN);
        series.eps_eff.push_back(p.ok ? p.eps_eff : NAN);
        json_points += std::string(k ? "," : "") + "\n    {\"" + name + "\": " + text +
                       ", \"ok\": " + (p.ok ? "true" : "false");
        if (p.ok) {
            table += text + "," + format_double(p.z0) + "," + format_double(p.eps_eff) + "," +
                     std::to_string(p.cells) + "," + thickness + "\n";
            json_points += ", \"Z0\": " + format_double(p.z0) +
                           ", \"eps_eff\": " + format_double(p.eps_eff) +
                           ", \"cell_count\": " + std::to_string(p.cells);
        } else {
            ++failures;
            table += text + ",,,," + thickness + "\n";
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
                     options.sweep_field == field_index(input_field::t)
                         ? "null"
                         : thickness_json(options).c_str(),
                     json_points.c_str());
    } else if (options.csv_file.empty()) {
        std::fputs(table.c_str(), out);
    }
    if (!options.plot_file.empty()) {
        written = write_file(options.plot_file, err,
                             [&](std::FILE *f) { return write_svg_plot(f, series); }) &&
                  written;
    }
    if (!written) return cli_exit_charges_file;
    return failures == count ? cli_exit_failed : cli_exit_result;
}

} // namespace

int cli_study_run(const cli_options &options, std::FILE *out, std::FILE *err) {
    if (options.converge) return run_converge(options, out, err);
    if (options.synthesize) return run_synthesis(options, out, err);
    return run_sweep(options, out, err);
}
