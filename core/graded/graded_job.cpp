// The accurate variant's mesh, solve and result lines.
#include "core/graded/graded_job.h"

#include "core/base/alloc.h"
#include "core/base/worker_pool.h"
#include "core/graded/accurate_solver.h"
#include "core/graded/cross_section.h"
#include "core/graded/panel_system.h"
#include "core/graded/panels.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <functional>
#include <limits>
#include <new>

namespace {

// Samples of the ground plane's charge, dense under the conductors and ever sparser out
// to fifty of their heights beyond them, where all but about one percent of it lies.
constexpr int plane_samples = 241;

// The conductors' panels (with their mirror images), each conductor round its outline,
// and the ground plane's charge at samples along it: the free charge is the flux the
// field sends into the plane through the medium touching it, eps E_y at y = 0.
charge_profile *solved_profile(const calc_env &env, const cross_section &section,
                               const panel_set &set, const accurate_solution &solution) {
    env_vector<charge_cell> cells{env_allocator<charge_cell>(env)};
    double reach = 0, height = 0;
    for (std::int32_t i = 0; i < set.conductor_count; ++i) {
        const panel_t &p = set.panels[std::size_t(i)];
        double q = solution.free_charge[std::size_t(i)], t = solution.total_charge[std::size_t(i)];
        const xs_conductor &owner = section.conductors[std::size_t(p.electrode)];
        double tx = (p.b.x - p.a.x) / p.length, ty = (p.b.y - p.a.y) / p.length;
        auto add = [&](xs_point c, double sx) {
            cells.push_back({c.x, c.y, p.length / 2, sx * tx, ty, charge_kind::conductor,
                             p.electrode, p.electrode == 0, xs_along_outline(owner, c), q, t});
            reach = std::max(reach, std::fabs(c.x));
            height = std::max(height, std::fabs(c.y));
        };
        add(p.centre, 1);
        if (set.mirror_x) add({-p.centre.x, p.centre.y}, -1);
    }
    std::sort(cells.begin(), cells.end(), [](const charge_cell &a, const charge_cell &b) {
        return a.conductor != b.conductor ? a.conductor < b.conductor : a.along < b.along;
    });
    std::size_t conductor_cells = cells.size();
    if (set.ground_plane) {
        env_vector<double> x(solution.total_charge.size(), 0.0, env_allocator<double>(env));
        for (std::size_t j = 0; j < x.size(); ++j)
            x[j] = solution.total_charge[j] / accurate_epsilon0;
        // x = c sinh(u), u evenly spaced: steps of about c near the conductors.
        double c = std::max(height, reach) / 4, extent = reach + 50 * height;
        double u_max = std::asinh(extent / c), du = 2 * u_max / (plane_samples - 1);
        auto plane_cell = [&](int k) {
            double u = -u_max + k * du;
            xs_point at{c * std::sinh(u), 0};
            double e_y = panel_system_field_at(&set, x.data(), at).y;
            double eps = xs_permittivity_at(section, {at.x, 1e-9 * extent});
            charge_cell cell{};
            cell.x = at.x;
            cell.half_width = c * std::cosh(u) * du / 2;
            cell.tx = 1;
            cell.kind = charge_kind::plane;
            cell.conductor = -1;
            cell.along = at.x;
            cell.free_charge = eps * accurate_epsilon0 * e_y;
            cell.total_charge = accurate_epsilon0 * e_y;
            return cell;
        };
        cells.resize(conductor_cells + plane_samples);
        run_workers(env, worker_count(env, 4LL * plane_samples * std::int64_t(x.size())),
                    [&](int index, int count, const std::function<void()> &) {
                        for (int k = index; k < plane_samples; k += count)
                            cells[conductor_cells + std::size_t(k)] = plane_cell(k);
                    });
    }
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
    charge_profile *profile = solved_profile(env, section, *panels, solution);
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
