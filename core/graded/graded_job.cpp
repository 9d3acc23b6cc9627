// The accurate variant's mesh, solve and result lines.
#include "core/graded/graded_job.h"

#include "core/base/alloc.h"
#include "core/graded/accurate_solver.h"
#include "core/graded/cross_section.h"
#include "core/graded/panels.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <limits>
#include <new>

namespace {

// The strips' panels seen from above, each strip left to right (a mirrored set with the
// mirror images of its panels); panels across x (a thick strip's sides) have no extent
// and are left out.
charge_profile *strip_profile(const calc_env &env, const panel_set &set,
                              const accurate_solution &solution) {
    env_vector<charge_cell> cells{env_allocator<charge_cell>(env)};
    for (std::int32_t i = 0; i < set.conductor_count; ++i) {
        const panel_t &p = set.panels[std::size_t(i)];
        double half = (p.b.x > p.a.x ? p.b.x - p.a.x : p.a.x - p.b.x) / 2;
        if (!(half > 0)) continue;
        double q = solution.free_charge[std::size_t(i)], t = solution.total_charge[std::size_t(i)];
        bool upper = p.electrode == 0;
        cells.push_back({p.centre.x, p.centre.y, half, 1.0, 0.0, p.electrode, upper, q, t});
        if (set.mirror_x)
            cells.push_back({-p.centre.x, p.centre.y, half, 1.0, 0.0, p.electrode, upper, q, t});
    }
    std::sort(cells.begin(), cells.end(), [](const charge_cell &a, const charge_cell &b) {
        return a.conductor != b.conductor ? a.conductor < b.conductor : a.x < b.x;
    });
    charge_profile *profile = charge_profile_new(env, std::int32_t(cells.size()));
    if (profile) std::copy(cells.begin(), cells.end(), profile->cells);
    return profile;
}

charge_profile *mesh_and_solve(calc_host &host, const calc_params &params, calc_outcome &outcome,
                               const calc_env &env) {
    wchar_t line[message_buffer_size];
    host.append_line(L"Accurate variant: whole cross-section, closed-form panel integrals, "
                     L"LU solve");
    outcome.mesh_step = params.mesh_step > 0 ? params.mesh_step : accurate_auto_step(params);
    cross_section section{};
    if (!xs_line(env, params, section)) return nullptr;
    double density = accurate_density(params);
    std::int32_t unknowns = panels_count(env, section, density);
    if (unknowns == 0) return nullptr;
    std::int32_t cells =
        section.mirror_x && unknowns <= std::numeric_limits<std::int32_t>::max() / 2 ? 2 * unknowns
                                                                                     : unknowns;
    calc_host_line(host, line, L"Mesh cells = %d", cells);

    outcome.working_set = accurate_solve_bytes(unknowns);
    double available = double(core_memory_available(env));
    if (available > 0 && double(outcome.working_set) > core_solve_share * available) {
        core_report_too_large(env, cells, outcome.working_set);
        return nullptr;
    }
    panels_ptr panels(panels_new(env, section, density, unknowns));
    if (!panels) return nullptr;
    outcome.cells = cells;
    outcome.strip_cells = section.mirror_x ? 2 * panels->conductor_count : panels->conductor_count;
    calc_host_line(host, line, L"\tcells for strips = %d", outcome.strip_cells);
    calc_host_line(host, line, L"\tcells for dielectrics = %d", cells - outcome.strip_cells);
    host.meshed(outcome);

    accurate_solution solution(env);
    double z0 = accurate_solve(env, panels.get(), &solution);
    outcome.z0_solver = z0;
    if (solve_failed_result(z0)) return nullptr;
    charge_profile *profile = strip_profile(env, *panels, solution);
    if (!profile) {
        calc_failed(env);
        return nullptr;
    }
    outcome.ok = true;
    outcome.z0 = z0;
    outcome.capacitances[0] = outcome.line_capacitances[0] = solution.c0;
    outcome.capacitances[1] = outcome.line_capacitances[1] = solution.c;
    calc_host_line(host, line, L"Effective permittivity = %lf", solution.c / solution.c0);
    calc_host_line(host, line, L"Z0 = %lf Ohm", z0);
    return profile;
}

} // namespace

double accurate_auto_overhang(double h) {
    return 100 * h;
}

double accurate_auto_step(const calc_params &params) {
    bool microstrip = params.w2 <= 0;
    double w2 = microstrip ? params.w1 : params.w2;
    double h = microstrip ? 2 * params.h : params.h;
    return 0.5 * params_auto_step(params.w1, w2, h);
}

double accurate_density(const calc_params &params) {
    double automatic = accurate_auto_step(params);
    double step = params.mesh_step > 0 ? params.mesh_step : automatic;
    return 2 * automatic / step;
}

charge_profile *graded_steps(calc_host &host, calc_params &params, calc_outcome &outcome,
                             const calc_env &env) {
    wchar_t line[message_buffer_size];
    if (params.w2 <= 0) {
        params.d = 0;
        outcome.microstrip = true;
        host.append_line(L"Infinite w2 (fall back to microstrip)");
        host.append_line(L"Microstrip over an infinite ground plane");
    }
    if (params.p <= 0) {
        params.p = accurate_auto_overhang(params.h);
        calc_host_line(host, line, L"use p = %lf mm (emulation of a infinite large p)",
                       params.p * 1000);
    }
    outcome.used = params;
    // The description and the classification of its edges are the few allocations that
    // do not grow with the mesh; a refusal there ends the run as cleanly as one of the
    // engine's.
    try {
        return mesh_and_solve(host, params, outcome, env);
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the calculation");
        calc_failed(env);
        return nullptr;
    }
}
