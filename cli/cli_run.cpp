// orvanta-cli: the option texts go through the dialog's validation and the calculation job
// runs on the calling thread, its lines (the environment's sinks) on standard output.
#include "cli/cli_run.h"

#include "cli/cli_options.h"
#include "cli/cli_study.h"
#include "cli/terminal_progress.h"
#include "core/job/calc_job.h"
#include "input/design_file.h"
#include "input/read_inputs.h"
#include "input/utf8.h"
#include "studies/charge_table.h"
#include "studies/headless_dialog.h"
#include "studies/run_record.h"
#include "studies/text_format.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

class cli_host final : public headless_dialog {
  public:
    // diagnostics: where the value of a refused p goes.
    cli_host(const cli_options &options, std::FILE *out, std::FILE *err, std::FILE *diagnostics)
        : headless_dialog(options.fields), options_(options), out_(out), err_(err),
          diagnostics_(diagnostics) {}

    // Lines are printed as they come, so a long calculation shows its progress; with
    // --json they are kept for the record instead.
    void append_line(const wchar_t *text) override {
        lines_.emplace_back(text);
        if (!options_.json) {
            if (progress_) progress_->erase();
            std::fputs(wide_to_utf8(text).c_str(), out_);
            std::fputc('\n', out_);
            std::fflush(out_);
        }
    }

    void clear_results() override { lines_.clear(); }
    void print_diagnostic(const char *line) override {
        std::fputs(line, diagnostics_);
        std::fflush(diagnostics_);
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
    std::FILE *diagnostics_;
    std::vector<std::wstring> lines_;
    terminal_progress *progress_ = nullptr;
    std::optional<calc_figures> figures_;
    bool charges_written_ = true;
};

} // namespace

int cli_run(int argc, const char *const *argv, std::FILE *out, std::FILE *err,
            const calc_env &limits) {
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
        std::fputs("orvanta-cli 1.0\n", out);
        return cli_exit_result;
    }
    if (!options.design_error.empty()) {
        std::fprintf(err, "orvanta-cli: %s\n", options.design_error.c_str());
        return cli_exit_refused;
    }
    // A design is saved only when its texts pass validation; a refused one is reported
    // by the run below, as without the option.
    if (!options.save_design_file.empty()) {
        design d;
        std::copy(std::begin(options.fields), std::end(options.fields), d.fields);
        d.variant = options.variant;
        d.tolerance = options.tolerance;
        std::string error;
        if (design_validate(d, error) && !design_write(options.save_design_file, d, error)) {
            std::fprintf(err, "orvanta-cli: %s\n", error.c_str());
            return cli_exit_not_written;
        }
    }

    calc_params params{};
    if (options.converge || options.synthesize || options.sweep_field) {
        // The fields are validated as typed, their refusal lines on standard error; the
        // study's own output follows.
        cli_options quiet = options;
        quiet.json = true;
        cli_host checker(quiet, out, err, err);
        if (validate_fields(checker, &params, calc_host_env(checker, limits))) {
            for (const std::wstring &line : checker.lines())
                std::fprintf(err, "%s\n", wide_to_utf8(line).c_str());
            return cli_exit_refused;
        }
        return cli_study_run(options, out, err, limits);
    }

    // The "%le" line of a refused p goes with the result lines, but never into JSON.
    cli_host host(options, out, err, options.json ? err : out);
    calc_env env = calc_host_env(host, limits);
    int status = cli_exit_refused;
    if (!validate_fields(host, &params, env)) {
        terminal_progress progress(err, env);
        host.show_progress_on(&progress);
        calc_thread(&host, &params, options.variant, env);
        host.show_progress_on(nullptr);
        bool ok = host.figures() && host.figures()->ok;
        status = !ok                      ? cli_exit_failed
                 : host.charges_written() ? cli_exit_result
                                          : cli_exit_not_written;
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
