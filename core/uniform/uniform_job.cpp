// The steps of one calculation with the specified variant, in the order the result list
// shows them.
#include "core/uniform/uniform_job.h"

#include "core/base/process_env.h"
#include "core/dense/matrix.h"
#include "core/uniform/mesh.h"
#include "core/uniform/solver.h"

#include <mutex>

namespace {

// The specified modules' sinks, allocation and text buffer are the process's own by
// their design; this turnstile gives them to one run at a time.
std::mutex one_run_at_a_time;

// The cells of the slab problem in mesh order: each strip and each bare piece of a face
// left to right, as the plot and the charge table show them.
charge_profile *profile_of(const mesh_t &mesh, const charge_pair &slab, const calc_env &env) {
    charge_profile *profile = charge_profile_new(env, mesh.cell_count);
    if (!profile) return nullptr;
    profile->flat = true;
    for (std::int32_t i = 0; i < mesh.cell_count; ++i) {
        bool upper = i < mesh.strip2_begin ||
                     (i >= mesh.dielectric_begin && i < mesh.lower_dielectric_begin);
        int conductor = i < mesh.strip2_begin ? 0 : i < mesh.dielectric_begin ? 1 : -1;
        profile->cells[i] = {mesh.cells[i].center,
                             upper ? mesh.h : 0.0,
                             mesh.cells[i].half_width,
                             1.0,
                             0.0,
                             conductor >= 0 ? charge_kind::conductor : charge_kind::face,
                             conductor,
                             upper,
                             mesh.cells[i].center,
                             slab.free_charge->data[i],
                             slab.total_charge->data[i]};
    }
    return profile;
}

// Writes the result lines of a solve, or leaves it as failed; fills the outcome.
charge_profile *solve_and_report(calc_host &host, const mesh_t &mesh, calc_outcome &outcome,
                                 const calc_env &env) {
    charge_pair vacuum{}, slab{};
    double z0 = solve_line(&mesh, &vacuum, &slab, outcome.capacitances);
    outcome.z0_solver = z0;
    // A failed solve wrote none of the outputs, so there is nothing to print from.
    if (solve_failed_result(z0)) return nullptr;
    md_ptr charges[] = {md_ptr(slab.free_charge), md_ptr(slab.total_charge),
                        md_ptr(vacuum.free_charge), md_ptr(vacuum.total_charge)};
    charge_profile *profile = profile_of(mesh, slab, env);
    if (!profile) {
        calc_failed(env);
        return nullptr;
    }
    outcome.ok = true;
    calc_host_line(host, message_buffer, L"Effective permittivity = %lf",
                   outcome.capacitances[1] / outcome.capacitances[0]);
    // The mirrored pair has twice the impedance of the microstrip over its ground plane,
    // and half the capacitance.
    outcome.z0 = outcome.microstrip ? z0 * 0.5 : z0;
    double scale = outcome.microstrip ? 2.0 : 1.0;
    outcome.line_capacitances[0] = outcome.capacitances[0] * scale;
    outcome.line_capacitances[1] = outcome.capacitances[1] * scale;
    calc_host_line(host, message_buffer, L"Z0 = %lf Ohm", outcome.z0);
    return profile;
}

} // namespace

charge_profile *uniform_steps(calc_host &host, calc_params &params, calc_outcome &outcome,
                              const calc_env &env) {
    std::lock_guard turn(one_run_at_a_time);
    process_env_binding bound(env);
    if (params.w2 <= 0) {
        // A strip at height h over a ground plane is, by mirroring, the symmetric pair
        // of equal strips 2h apart.
        params.d = 0;
        params.w2 = params.w1;
        params.h = params.h * 2;
        outcome.microstrip = true;
        outcome.mirrored = true;
        host.append_line(L"Infinite w2 (fall back to microstrip)");
        host.append_line(L"Calculation with two symmetric strips");
    }
    if (params.p <= 0) {
        params.p = 3 * params.h;
        calc_host_line(host, message_buffer, L"use p = %lf mm (emulation of a infinite large p)",
                       params.p * 1000);
    }
    outcome.used = params;
    outcome.mesh_step = mesh_effective_step(params.w1, params.w2, params.h, params.mesh_step);

    mesh_ptr mesh(mesh_new(params.w1, params.w2, params.d, params.p, params.h, params.epsilon_r,
                           params.mesh_step));
    if (!mesh) return nullptr;
    outcome.cells = mesh->cell_count;
    outcome.strip_cells = mesh->dielectric_begin;
    outcome.working_set = solve_line_bytes(mesh.get());
    calc_host_line(host, message_buffer, L"Mesh cells = %d", mesh->cell_count);
    calc_host_line(host, message_buffer, L"\tcells for strips = %d", mesh->dielectric_begin);
    calc_host_line(host, message_buffer, L"\tcells for dielectrics = %d",
                   mesh->cell_count - mesh->dielectric_begin);
    host.meshed(outcome);
    return solve_and_report(host, *mesh, outcome, env);
}
