// orvanta-cli: the option texts go through the dialog's validation, then either a study
// or the calculation job runs on the calling thread. Result lines go to standard output,
// refusals, errors and progress to standard error.
#include "cli/cli_run.h"

#include "cli/cli_line.h"
#include "cli/cli_options.h"
#include "cli/cli_study.h"
#include "cli/terminal_progress.h"
#include "core/job/calc_job.h"
#include "input/design_file.h"
#include "input/read_inputs.h"
#include "input/utf8.h"
#include "studies/charge_table.h"
#include "studies/headless_dialog.h"
#include "studies/records.h"
#include "studies/text_format.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

class cli_host final : public headless_dialog {
  public:
    cli_host(const cli_options &options, std::FILE *out, std::FILE *err)
        : headless_dialog(options.fields), options_(options), out_(out), err_(err) {}

    // While validation runs, lines are kept (a refusal goes to standard error); then
    // they are printed as they come, so a long calculation shows its steps, unless they
    // are kept for the JSON record.
    void append_line(const wchar_t *text) override {
        lines_.emplace_back(text);
        std::string line = wide_to_utf8(text) + "\n";
        if (holding_) {
            held_ += line;
            return;
        }
        if (options_.json) return;
        if (progress_) progress_->erase();
        std::fputs(line.c_str(), out_);
        std::fflush(out_);
    }
    void clear_results() override {
        lines_.clear();
        held_.clear();
    }
    // The value of a refused p goes with the refusal, where the calculator writes it.
    void print_diagnostic(const char *line) override { held_ += line; }

    // Ends the holding: what was held goes to stream (with --json no line goes to
    // standard output), and the lines that follow as they come.
    void release(std::FILE *stream) {
        holding_ = false;
        if (stream == out_ && options_.json) return;
        std::fputs(held_.c_str(), stream);
        std::fflush(stream);
    }

    // The command line has no plot window: --charges writes the same data as a table.
    void finished(const calc_outcome &outcome) override {
        figures_ = outcome;
        if (outcome.ok && !options_.charges_file.empty()) {
            charges_written_ = write_file(options_.charges_file, err_, [&](std::FILE *file) {
                return write_charge_table(file, *outcome.charges);
            });
        }
    }

    // The progress line to erase before each result line, while one is shown.
    void show_progress_on(terminal_progress *progress) { progress_ = progress; }

    const std::vector<std::wstring> &lines() const { return lines_; }
    const std::optional<calc_figures> &figures() const { return figures_; }
    bool charges_written() const { return charges_written_; }

  private:
    const cli_options &options_;
    std::FILE *out_;
    std::FILE *err_;
    bool holding_ = true;
    std::string held_; // the lines (UTF-8, each with its end) while validation runs
    std::vector<std::wstring> lines_;
    terminal_progress *progress_ = nullptr;
    std::optional<calc_figures> figures_;
    bool charges_written_ = true;
};

// The line a command line owes its user after the calculator's own refusal lines: the
// option, the text refused and how to write its value.
std::string how_to_write(input_field field, const std::wstring &text) {
    const field_spec &f = field_spec_of(field);
    std::string how = f.unit == field_unit::length
                          ? "a length such as 1.6 (millimetres) or with its unit: 1.6mm, "
                            "62mil, 1600um or 0.063in"
                          : "a number such as 4.4 or 4.4e0, 1 or more";
    if (f.keyword) how += std::string(", or ") + wide_to_utf8(f.keyword);
    return std::string("orvanta-cli: --") + f.option + " '" + wide_to_utf8(text) +
           "' refused: write " + how + " (no '+', no ',')";
}

// Writes the design the options name, when their texts pass validation (a refused one is
// reported by the run, as without the option). False after saying why it could not.
bool save_design(const cli_options &options, std::FILE *err) {
    design d;
    std::copy(std::begin(options.fields), std::end(options.fields), d.fields);
    d.variant = options.variant;
    d.tolerance_percent = options.tolerance_percent;
    std::string error;
    if (!design_validate(d, error) || design_write(options.save_design_file, d, error)) return true;
    std::fprintf(err, "orvanta-cli: %s\n", error.c_str());
    return false;
}

// One calculation with the validated parameters; its exit status.
int single_run(const cli_options &options, cli_host &host, calc_params &params, calc_env &env,
               std::FILE *err) {
    terminal_progress progress(err, env);
    host.show_progress_on(&progress);
    calc_thread(&host, &params, options.variant, env);
    host.show_progress_on(nullptr);
    if (!host.figures() || !host.figures()->ok) return cli_exit_failed;
    return host.charges_written() ? cli_exit_result : cli_exit_not_written;
}

} // namespace

int cli_run(int argc, const char *const *argv, std::FILE *out, std::FILE *err,
            const calc_env &limits) {
    if (cli_is_line_type(argc, argv)) return cli_line_run(argc, argv, out, err, limits);
    cli_options options;
    std::string usage_error = cli_parse(argc, argv, options);
    if (!usage_error.empty()) {
        std::fprintf(err, "orvanta-cli: %s\nTry 'orvanta-cli --help' for more information.\n",
                     usage_error.c_str());
        return cli_exit_usage;
    }
    if (options.help) {
        std::fputs(cli_usage, out);
        return cli_exit_result;
    }
    if (options.version) {
        std::fputs(cli_version_line, out);
        return cli_exit_result;
    }
    if (!options.design_error.empty()) {
        std::fprintf(err, "orvanta-cli: %s\n", options.design_error.c_str());
        return cli_exit_refused;
    }
    if (!options.save_design_file.empty() && !save_design(options, err))
        return cli_exit_not_written;

    cli_host host(options, out, err);
    calc_env env = calc_host_env(host, limits);
    calc_params params{};
    int status;
    if (std::optional<input_field> refused = validate_fields(host, &params, env)) {
        host.release(err);
        std::fprintf(err, "%s\n",
                     how_to_write(*refused, options.fields[field_index(*refused)]).c_str());
        status = cli_exit_refused;
    } else if (options.converge || options.synthesize || options.sweep_field) {
        return cli_study_run(options, params, out, err, limits);
    } else {
        host.release(out);
        status = single_run(options, host, params, env, err);
    }
    if (options.json) {
        std::fputs(run_record_json(host.lines(), host.figures() ? &*host.figures() : nullptr,
                                   options.variant)
                       .c_str(),
                   out);
    }
    std::fflush(out);
    return status;
}
