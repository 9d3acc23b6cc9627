// Result lines and records of the studies.
#include "cli/cli_study.h"

#include "cli/cli_exit.h"
#include "input/utf8.h"
#include "studies/records.h"
#include "studies/study.h"
#include "studies/study_report.h"
#include "studies/svg_plot.h"
#include "studies/text_format.h"

#include <string>

namespace {

// A failed point's own lines after the version line, so the reason is seen.
void print_failure(std::FILE *err, const study_point &point) {
    for (std::size_t i = 1; i < point.lines.size(); ++i)
        std::fprintf(err, "%s\n", wide_to_utf8(point.lines[i]).c_str());
}

void print_line(std::FILE *stream, const std::string &line) {
    std::fprintf(stream, "%s\n", line.c_str());
    std::fflush(stream);
}

// A solve whose working set is this large runs for a second or more; the command line
// says so before it starts, so that a study never sits silent for minutes.
constexpr std::size_t long_solve_bytes = std::size_t{64} << 20;

// Tells of a long solve on standard error before it starts.
study_watch watch_for_long_solves(std::FILE *err, const char *name, const char *unit) {
    study_watch watch;
    watch.meshed = [err, name, unit](const study_point &p) {
        if (p.working_set < long_solve_bytes) return;
        std::fprintf(err, "%s = %s%s: %d cells, solving...\n", name, wide_to_utf8(p.value).c_str(),
                     unit, p.cells);
        std::fflush(err);
    };
    return watch;
}

// The steps are printed as they are solved, so that a long study shows how far it got
// whatever standard output is.
int run_converge(const cli_options &options, const calc_params &entered, std::FILE *out,
                 std::FILE *err, const calc_env &limits) {
    field_texts fields(std::begin(options.fields), std::end(options.fields));
    double tolerance = options.tolerance_percent / 100;
    study_watch watch = watch_for_long_solves(err, "step", " mm");
    if (!options.json) {
        print_line(out, convergence_heading(tolerance));
        watch.solved = [out, err](const study_point &p) {
            if (p.ok) {
                print_line(out, convergence_step(p));
            } else {
                print_failure(err, p);
            }
        };
    }
    // The specified trapezoid sums scatter from mesh to mesh instead of converging, so
    // an estimate is only honest with the accurate variant.
    convergence c = study_converge(fields, tolerance, limits, 8, watch);
    if (options.json) {
        std::fputs(convergence_record_json(c, entered, tolerance).c_str(), out);
    } else {
        for (const std::string &line : convergence_verdict(c, tolerance))
            print_line(out, line);
    }
    return c.converged ? cli_exit_result : c.estimated ? cli_exit_not_converged : cli_exit_failed;
}

int run_synthesis(const cli_options &options, const calc_params &entered, std::FILE *out,
                  std::FILE *err, const calc_env &limits) {
    field_texts fields(std::begin(options.fields), std::end(options.fields));
    input_field field = *options.solve_for;
    synthesis s = study_synthesize(fields, field, options.target_z0, study_default_resolution,
                                   options.variant, limits,
                                   watch_for_long_solves(err, field_spec_of(field).option,
                                                         field_is_length(field) ? " mm" : ""));
    if (options.json) {
        std::fputs(
            synthesis_record_json(s, entered, field, options.target_z0, options.variant).c_str(),
            out);
    }
    std::vector<std::string> report =
        synthesis_report(s, field, options.target_z0, options.variant);
    if (!s.found) {
        for (const std::string &line : report)
            print_line(err, line);
        // A target is out of reach only when every value tried was solved.
        return s.searched_from.empty() || !s.failure.empty() ? cli_exit_failed
                                                             : cli_exit_unreachable;
    }
    if (!options.json) {
        for (const std::string &line : report)
            print_line(out, line);
    }
    return cli_exit_result;
}

// One calculation per value; the table (CSV, or with --json a JSON record on standard
// output) and the chart.
int run_sweep(const cli_options &options, const calc_params &entered, std::FILE *out,
              std::FILE *err, const calc_env &limits) {
    field_texts fields(std::begin(options.fields), std::end(options.fields));
    input_field field = *options.sweep_field;
    const char *name = field_spec_of(field).option;
    study_watch watch = watch_for_long_solves(err, name, field_is_length(field) ? " mm" : "");
    int failures = 0;
    watch.solved = [&](const study_point &p) {
        if (p.ok) return;
        ++failures;
        std::fprintf(err, "%s = %s:\n", name, wide_to_utf8(p.value).c_str());
        print_failure(err, p);
    };
    sweep run = study_sweep(fields, field, options.sweep_from, options.sweep_to, options.sweep_step,
                            options.variant, limits, watch);
    std::string table = sweep_csv(run);
    bool written = true;
    if (!options.csv_file.empty()) {
        written = write_file(options.csv_file, err,
                             [&](std::FILE *f) { return std::fputs(table.c_str(), f) >= 0; });
    }
    if (options.json) {
        std::fputs(sweep_record_json(run, entered, options.variant).c_str(), out);
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

int cli_study_run(const cli_options &options, const calc_params &entered, std::FILE *out,
                  std::FILE *err, const calc_env &limits) {
    if (options.converge) return run_converge(options, entered, out, err, limits);
    if (options.synthesize) return run_synthesis(options, entered, out, err, limits);
    return run_sweep(options, entered, out, err, limits);
}
