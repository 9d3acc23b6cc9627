// The losses' options, their run and their output files.
#include "cli/cli_losses.h"

#include "cli/cli_exit.h"
#include "cli/cli_line.h"
#include "cli/cli_options.h"
#include "input/file_io.h"
#include "input/frequency_list.h"
#include "input/utf8.h"
#include "studies/line_losses.h"
#include "studies/line_report.h"

namespace {

constexpr std::string_view run_options[] = {"--frequency",  "--frequency-sweep",     "--length",
                                            "--touchstone", "--reference-impedance", "--rlgc"};

void print_lines(std::FILE *out, const std::vector<std::string> &lines) {
    for (const std::string &line : lines)
        std::fprintf(out, "%s\n", line.c_str());
    std::fflush(out);
}

// Writes a file whole or not at all; false after saying why on err.
bool write_whole(const std::string &path, const std::string &text, std::FILE *err) {
    std::string error;
    if (file_write_atomic(path, text, error)) return true;
    std::fprintf(err, "orvanta-cli: %s\n", error.c_str());
    return false;
}

} // namespace

bool cli_losses_option(std::string_view name) {
    for (std::string_view o : run_options)
        if (name == o) return true;
    return name.substr(0, 2) == "--" && loss_option_known(name.substr(2));
}

std::string cli_losses_parse(losses_command &c, std::string_view name, std::string_view value,
                             length_unit unit) {
    std::string error;
    if (name == "--frequency" || name == "--frequency-sweep") {
        if (c.frequencies_given) return "give one --frequency or --frequency-sweep";
        c.frequencies_given = true;
        bool read = name == "--frequency"
                        ? frequency_list_parse(std::string(value), c.frequencies, error)
                        : frequency_sweep_parse(std::string(value), c.frequencies, error);
        return read ? std::string() : std::string(name) + ": " + error;
    }
    if (name == "--length") {
        std::optional<double> metres = length_typed_metres(utf8_to_wide(value), unit);
        if (!metres || !(*metres > 0)) return "--length takes a positive length of line";
        c.length = *metres;
        return {};
    }
    if (name == "--reference-impedance") {
        if (!parse_option_number(value, c.z_ref) || !(c.z_ref > 0))
            return "--reference-impedance takes a positive number of ohms";
        c.z_ref_given = true;
        return {};
    }
    if (name == "--touchstone" || name == "--rlgc") {
        if (value.empty()) return "option '" + std::string(name) + "' needs a file name";
        (name == "--touchstone" ? c.touchstone_file : c.rlgc_file) = value;
        return {};
    }
    c.loss_given = true;
    return loss_option_set(c.loss, name.substr(2), value, unit);
}

std::string cli_losses_check(const losses_command &c) {
    bool asks = c.loss_given || c.length > 0 || c.z_ref_given || !c.touchstone_file.empty() ||
                !c.rlgc_file.empty();
    if (asks && !c.frequencies_given)
        return "losses, --length, --touchstone and --rlgc need --frequency or --frequency-sweep";
    if (!c.touchstone_file.empty() && !(c.length > 0))
        return "--touchstone needs --length: the S-parameters are of a length of line";
    if (c.length > 0 && c.touchstone_file.empty()) return "--length belongs to --touchstone";
    if (c.z_ref_given && c.touchstone_file.empty())
        return "--reference-impedance belongs to --touchstone";
    return {};
}

int cli_losses_run(const losses_command &c, const losses_line &line, std::FILE *out, std::FILE *err,
                   const calc_env &env) {
    if (!line.json) std::fprintf(out, "%s\n", line.title.c_str());
    line_layout layout{line.input ? line_signal_count(line.input->type)
                                  : line.file_section->electrode_count};
    line_watch watch;
    if (!line.json)
        watch = [out, layout](const line_point &p) {
            std::fprintf(out, "%s\n", line_step_report(p, layout).c_str());
            std::fflush(out);
        };
    losses_run run = line_losses_run(line.input, *line.file_section, c.loss, c.frequencies,
                                     c.length, c.z_ref, line.tolerance, line.single, env, watch);
    const line_estimate &e = run.estimate;
    if (!run.refused.empty()) {
        std::fprintf(err, "orvanta-cli: %s\n", wide_to_utf8(run.refused).c_str());
        return cli_exit_refused;
    }
    if (line.json) {
        std::fputs(
            spectrum_record_json(line.input, e, line.tolerance, run.spectrum, run.settings).c_str(),
            out);
    } else if (e.estimated) {
        std::vector<std::string> lines = line_report(line.title, e, line.unit, line.tolerance);
        lines.erase(lines.begin());
        print_lines(out, lines);
        print_lines(out, spectrum_report(run.spectrum, line.unit));
    }
    if (!e.estimated) {
        if (!line.json) std::fprintf(err, "orvanta-cli: %s\n", wide_to_utf8(e.stop).c_str());
        return cli_line_exit(e);
    }
    if (!run.spectrum.ok) {
        std::fprintf(err, "orvanta-cli: %s\n", wide_to_utf8(run.spectrum.failure).c_str());
        return cli_exit_failed;
    }
    if (!c.rlgc_file.empty() && !write_whole(c.rlgc_file, spectrum_csv(run.spectrum), err))
        return cli_exit_not_written;
    if (!c.touchstone_file.empty() &&
        !write_whole(c.touchstone_file,
                     spectrum_touchstone(line.title, spectrum_option_lines(line.input),
                                         run.spectrum, run.settings),
                     err))
        return cli_exit_not_written;
    return cli_line_exit(e);
}
