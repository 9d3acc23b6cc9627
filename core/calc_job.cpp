// The steps of one calculation, in the order the result list shows them.
#include "calc_job.h"

#include "vector_state.h"

namespace {

// Formats one int or double into the shared buffer and appends it as a line.
template <class Number>
void append_formatted(calc_host *host, const wchar_t *format, Number value) {
    format_message(format, value);
    host->append_line(message_buffer);
}

// Writes the result lines of a solve, or reports it as failed; fills the outcome.
void solve_and_report(calc_host *host, calc_outcome &outcome, solver_variant variant) {
    double z0 = solve_line_variant(outcome.mesh, variant, &outcome.vacuum, &outcome.slab,
                                   outcome.capacitances);
    outcome.z0_solver = z0;
    // A failed solve wrote none of the outputs, so there is nothing to print from.
    if (z0 == -1.0) return;
    outcome.ok = true;
    append_formatted(host, L"Effective permittivity = %lf",
                     outcome.capacitances[1] / outcome.capacitances[0]);
    // The mirrored pair has twice the impedance of the microstrip over its ground plane.
    outcome.z0 = outcome.microstrip ? z0 * 0.5 : z0;
    append_formatted(host, L"Z0 = %lf Ohm", outcome.z0);
}

} // namespace

int calc_thread(calc_host *host, calc_params *params, solver_variant variant) {
    clear_vector_upper_state();
    host->set_calculate_enabled(false);
    calc_outcome outcome{};

    if (params->w2 <= 0) {
        // A strip at height h over a ground plane is, by mirroring, the symmetric pair
        // of equal strips 2h apart.
        params->d = 0;
        params->w2 = params->w1;
        params->h = params->h * 2;
        outcome.microstrip = true;
        host->append_line(L"Infinite w2 (fall back to microstrip)");
        host->append_line(L"Calculation with two symmetric strips");
    }
    if (params->p <= 0) {
        params->p = 3 * params->h;
        append_formatted(host, L"use p = %lf mm (emulation of a infinite large p)",
                         params->p * 1000);
    }
    outcome.used = *params;
    if (variant == variant_accurate) {
        host->append_line(L"Accurate variant: closed-form cell integrals, exact constants");
    }

    auto *make_mesh = variant == variant_accurate ? mesh_new_graded : mesh_new;
    mesh_t *mesh = make_mesh(params->w1, params->w2, params->d, params->p, params->h,
                            params->epsilon_r, params->mesh_step);
    outcome.mesh = mesh;
    if (mesh) {
        append_formatted(host, L"Mesh cells = %d", mesh->cell_count);
        append_formatted(host, L"\tcells for strips = %d", mesh->dielectric_begin);
        append_formatted(host, L"\tcells for dielectrics = %d",
                         mesh->cell_count - mesh->dielectric_begin);
        solve_and_report(host, outcome, variant);
    }
    if (outcome.ok && host->plot_box_checked()) {
        host->show_plot(plot_request{mesh, outcome.slab.free_charge});
    }
    host->finished(outcome);

    md_free(outcome.slab.free_charge);
    md_free(outcome.slab.total_charge);
    md_free(outcome.vacuum.free_charge);
    md_free(outcome.vacuum.total_charge);
    mesh_free(mesh);
    host->set_calculate_enabled(true);
    return 0;
}
