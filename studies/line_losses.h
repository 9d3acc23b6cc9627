// A line's whole run over frequencies, as both front ends start it: the named line (or a
// cross-section file) with its materials, its lossless study with the error stated, then
// its losses over the frequency list and, for a length, its S-parameters.
#pragma once

#include "input/loss_options.h"
#include "studies/line_spectrum.h"
#include "studies/spectrum_report.h"

struct losses_run {
    line_estimate estimate;
    line_spectrum spectrum;
    spectrum_settings settings;
    std::wstring refused; // why nothing was solved: an option or the geometry refused
};

// Runs a named line (input) or, when input is null, the cross-section of a file. The
// frequencies must rise; length 0 asks for no S-parameters. A refused option or
// geometry ends it before any solve, with the reason in refused.
losses_run line_losses_run(const line_input *input, const cross_section &file_section,
                           const loss_input &loss, std::span<const double> frequencies,
                           double length, double z_ref, double tolerance, bool single,
                           const calc_env &env, const line_watch &watch = {});
