// The steps of one calculation, in the order the result list shows them.
#include "core/job/calc_job.h"
#include "core/base/messages.h"

#include "core/base/vector_state.h"
#include "core/graded/accurate_job.h"

namespace {

// Formats one int or double into the shared buffer and appends it as a line.
template <class Number>
void append_formatted(calc_host *host, const wchar_t *format, Number value) {
    format_message(format, value);
    host->append_line(message_buffer);
}

// Writes the result lines of a solve, or reports it as failed; fills the outcome.
void solve_and_report(calc_host *host, calc_outcome &outcome) {
    double z0 = solve_line(outcome.mesh, &outcome.vacuum, &outcome.slab, outcome.capacitances);
    outcome.z0_solver = z0;
    // A failed solve wrote none of the outputs, so there is nothing to print from.
    if (solve_failed_result(z0)) return;
    outcome.ok = true;
    append_formatted(host, L"Effective permittivity = %lf",
                     outcome.capacitances[1] / outcome.capacitances[0]);
    // The mirrored pair has twice the impedance of the microstrip over its ground plane,
    // and half the capacitance.
    outcome.z0 = outcome.microstrip ? z0 * 0.5 : z0;
    double scale = outcome.microstrip ? 2.0 : 1.0;
    outcome.line_capacitances[0] = outcome.capacitances[0] * scale;
    outcome.line_capacitances[1] = outcome.capacitances[1] * scale;
    append_formatted(host, L"Z0 = %lf Ohm", outcome.z0);
}

// The mesh of the strips and the bare faces, and its solve.
mesh_t *specified_steps(calc_host *host, calc_params *params, calc_outcome &outcome) {
    if (params->w2 <= 0) {
        // A strip at height h over a ground plane is, by mirroring, the symmetric pair
        // of equal strips 2h apart.
        params->d = 0;
        params->w2 = params->w1;
        params->h = params->h * 2;
        outcome.microstrip = true;
        outcome.mirrored = true;
        host->append_line(L"Infinite w2 (fall back to microstrip)");
        host->append_line(L"Calculation with two symmetric strips");
    }
    if (params->p <= 0) {
        params->p = 3 * params->h;
        append_formatted(host, L"use p = %lf mm (emulation of a infinite large p)",
                         params->p * 1000);
    }
    outcome.used = *params;
    outcome.mesh_step = mesh_effective_step(params->w1, params->w2, params->h, params->mesh_step);

    mesh_t *mesh = mesh_new(params->w1, params->w2, params->d, params->p, params->h,
                            params->epsilon_r, params->mesh_step);
    outcome.mesh = mesh;
    if (!mesh) return nullptr;
    outcome.cells = mesh->cell_count;
    outcome.strip_cells = mesh->dielectric_begin;
    append_formatted(host, L"Mesh cells = %d", mesh->cell_count);
    append_formatted(host, L"\tcells for strips = %d", mesh->dielectric_begin);
    append_formatted(host, L"\tcells for dielectrics = %d",
                     mesh->cell_count - mesh->dielectric_begin);
    solve_and_report(host, outcome);
    return mesh;
}

// The whole cross-section on graded panels.
mesh_t *accurate_job(calc_host *host, calc_params *params, calc_outcome &outcome) {
    if (params->w2 <= 0) {
        params->d = 0;
        outcome.microstrip = true;
        host->append_line(L"Infinite w2 (fall back to microstrip)");
        host->append_line(L"Microstrip over an infinite ground plane");
    }
    if (params->p <= 0) {
        params->p = accurate_auto_overhang(params->h);
        append_formatted(host, L"use p = %lf mm (emulation of a infinite large p)",
                         params->p * 1000);
    }
    outcome.used = *params;
    return accurate_steps(host, params, &outcome);
}

} // namespace

int calc_thread(calc_host *host, calc_params *params, solver_variant variant) {
    clear_vector_upper_state();
    host->set_calculate_enabled(false);
    calc_outcome outcome{};
    outcome.entered = *params;
    mesh_ptr mesh(variant == solver_variant::accurate ? accurate_job(host, params, outcome)
                                                      : specified_steps(host, params, outcome));
    // The job owns what the steps handed out, released on leaving whatever happens.
    md_ptr charges[] = {md_ptr(outcome.slab.free_charge), md_ptr(outcome.slab.total_charge),
                        md_ptr(outcome.vacuum.free_charge), md_ptr(outcome.vacuum.total_charge)};
    if (outcome.ok && host->plot_box_checked()) {
        host->show_plot(plot_request{outcome.mesh, outcome.slab.free_charge});
    }
    host->finished(outcome);

    for (md_ptr &vector : charges)
        vector.reset();
    mesh.reset();
    host->set_calculate_enabled(true);
    return 0;
}
