// The materials read, the section built with its loss tangents, the study, the spectrum.
#include "studies/line_losses.h"

#include "input/utf8.h"
#include "studies/failure_reason.h"

losses_run line_losses_run(const line_input *input, const cross_section &file_section,
                           const loss_input &loss, std::span<const double> frequencies,
                           double length, double z_ref, double tolerance, bool single,
                           const calc_env &env, const line_watch &watch) {
    losses_run run;
    cross_section section = file_section;
    line_geometry geometry;
    line_type type = input ? input->type : line_type::two_strip;
    if (input) {
        if (line_read(*input, geometry, run.refused)) return run;
    }
    std::string error = loss_input_read(loss, type, !input, run.settings.materials,
                                        run.settings.loss_tangents, input ? &geometry : nullptr);
    if (!error.empty()) {
        run.refused = utf8_to_wide(error);
        return run;
    }
    if (input) {
        failure_reason reasons;
        if (!line_section(reasons.quiet(calc_env{}), geometry, section)) {
            run.refused = reasons.last;
            return run;
        }
    }
    run.estimate = line_study_run(section, tolerance, single, env, watch);
    if (!run.estimate.estimated) return run;
    run.spectrum = line_spectrum_run(section, run.estimate, run.settings.materials, frequencies,
                                     length, z_ref, env);
    return run;
}
