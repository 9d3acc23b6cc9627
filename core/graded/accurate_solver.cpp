// Factorise, find the charge-neutral voltages, solve for the charges, extract.
#include "core/graded/accurate_solver.h"

#include "core/base/params.h"
#include "core/base/worker_pool.h"
#include "core/graded/lu_solve.h"
#include "core/graded/panel_system.h"

#include <cmath>
#include <cstdint>
#include <new>

namespace {

struct problem_result {
    explicit problem_result(const calc_env &env) : x(env_allocator<double>(env)) {}

    bool ok = false;
    double capacitance = 0; // farads per metre
    env_vector<double> x;   // total charge / eps0 per panel, for the driving voltages
    double voltage = 0;     // between the electrodes (or electrode and plane)
};

// The vacuum problem's free-charge functionals: every conductor panel is in air, so its
// free charge is its total charge.
env_vector<double> vacuum_functionals(const calc_env &env, const panel_set *set) {
    std::int32_t s = set->conductor_count;
    env_vector<double> f(std::size_t(set->electrode_count) * std::size_t(s), 0.0,
                         env_allocator<double>(env));
    for (std::int32_t i = 0; i < s; ++i) {
        const panel_t &p = set->panels[std::size_t(i)];
        f[std::size_t(p.electrode) * std::size_t(s) + std::size_t(i)] = p.length;
    }
    return f;
}

// Factorises the filled system, drives it and extracts the first electrode's capacitance.
problem_result solve_problem(const calc_env &env, const panel_set *set, lu_system *lu,
                             const env_vector<double> &f) {
    std::int32_t n = lu->n;
    problem_result result(env);
    if (lu_factor(env, lu) != 0) return result;

    auto on_electrode = [&](std::int32_t i, int k) {
        return set->panels[std::size_t(i)].electrode == k;
    };
    env_vector<double> &x = result.x;
    x.assign(std::size_t(n), 0.0);
    double v_top = 1, v_bottom = 0;
    if (set->electrode_count == 2 && !set->ground_plane) {
        // y = A^-T (f0 + f1): y . b is the net free charge of the right-hand side b, so
        // the voltages (y . e1, -y . e0) on the two electrodes make it vanish.
        for (std::int32_t j = 0; j < n; ++j)
            x[std::size_t(j)] = f[std::size_t(j)] + f[std::size_t(n + j)];
        if (lu_solve(lu, true, x.data()) != 0) return result;
        double y_top = 0, y_bottom = 0;
        for (std::int32_t i = 0; i < n; ++i) {
            if (on_electrode(i, 0)) y_top += x[std::size_t(i)];
            if (on_electrode(i, 1)) y_bottom += x[std::size_t(i)];
        }
        v_top = y_bottom;
        v_bottom = -y_top;
    }
    for (std::int32_t i = 0; i < n; ++i) {
        const panel_t &p = set->panels[std::size_t(i)];
        x[std::size_t(i)] = p.kind == panel_kind::interface ? 0.0
                            : p.electrode == 0              ? v_top
                                                            : v_bottom;
    }
    if (lu_solve(lu, false, x.data()) != 0) return result;
    double q = 0;
    for (std::int32_t j = 0; j < n; ++j)
        q += f[std::size_t(j)] * x[std::size_t(j)];
    // Each kept panel of a mirrored set stands for two.
    if (set->mirror_x) q = 2 * q;
    result.voltage = v_top - v_bottom;
    result.capacitance = accurate_epsilon0 * q / result.voltage;
    result.ok = std::isfinite(result.capacitance) && result.capacitance > 0;
    if (!result.ok) env_error(env, L"The system has no finite solution");
    return result;
}

// Whether the vacuum system can be copied out of the filled slab system (its conductor
// block: a potential row does not depend on the permittivities) within the working set.
bool vacuum_fits_beside(std::int32_t n, std::int32_t s) {
    return 5 * (double(s) * s) <= double(n) * n;
}

} // namespace

std::size_t accurate_solve_bytes(std::int32_t panel_count) {
    return lu_bytes(panel_count) + lu_bytes(panel_count) / 5 +
           16 * std::size_t(panel_count) * sizeof(double);
}

namespace {

// The end of a problem that did not solve: cancelled, or failed (its reason reported).
double stopped(const calc_env &env) {
    return env_cancelled(env) ? calc_cancelled(env) : calc_failed(env);
}

double solve_set(const calc_env &env, const panel_set *set, accurate_solution *solution) {
    std::int32_t n = std::int32_t(set->panels.size());
    std::int32_t s = set->conductor_count;
    env_info(env, L"Filling matrix");
    // The vacuum problem first, copied from the slab system when both fit the working
    // set at once, else filled and solved on its own before the slab system exists.
    lu_ptr slab_lu;
    env_vector<double> f(std::size_t(set->electrode_count) * std::size_t(n), 0.0,
                         env_allocator<double>(env));
    lu_ptr vacuum_lu(lu_new(env, s));
    if (!vacuum_lu) return calc_failed(env);
    if (vacuum_fits_beside(n, s)) {
        slab_lu.reset(lu_new(env, n));
        if (!slab_lu) return calc_failed(env);
        if (!panel_system_fill(env, set, false, slab_lu->a, f.data())) return calc_cancelled(env);
        for (std::int32_t j = 0; j < s; ++j) {
            for (std::int32_t i = 0; i < s; ++i)
                vacuum_lu->a[std::size_t(j) * s + i] = slab_lu->a[std::size_t(j) * n + i];
        }
    } else {
        env_vector<double> unused(std::size_t(set->electrode_count) * std::size_t(s), 0.0,
                                  env_allocator<double>(env));
        if (!panel_system_fill(env, set, true, vacuum_lu->a, unused.data()))
            return calc_cancelled(env);
    }
    env_info(env, L"Solving");
    problem_result vacuum = solve_problem(env, set, vacuum_lu.get(), vacuum_functionals(env, set));
    vacuum_lu.reset();
    if (!vacuum.ok) return stopped(env);
    if (!slab_lu) {
        slab_lu.reset(lu_new(env, n));
        if (!slab_lu) return calc_failed(env);
        if (!panel_system_fill(env, set, false, slab_lu->a, f.data())) return calc_cancelled(env);
    }
    problem_result slab = solve_problem(env, set, slab_lu.get(), f);
    slab_lu.reset();
    if (!slab.ok) return stopped(env);
    double z0 = 1.0 / (accurate_light_speed * std::sqrt(vacuum.capacitance * slab.capacitance));
    if (!std::isfinite(z0)) {
        env_error(env, L"The system has no finite solution");
        return calc_failed(env);
    }
    solution->free_charge.assign(std::size_t(n), 0.0);
    solution->total_charge.assign(std::size_t(n), 0.0);
    // A sheet's free charge needs the mean field at its centre, a sum over every panel;
    // the conductor panels are dealt out to all cores.
    double scale = accurate_epsilon0 / slab.voltage;
    auto charges_of = [&](std::int32_t i) {
        const panel_t &p = set->panels[std::size_t(i)];
        double x = slab.x[std::size_t(i)];
        solution->total_charge[std::size_t(i)] = scale * x;
        if (p.kind == panel_kind::conductor) {
            solution->free_charge[std::size_t(i)] = scale * p.eps_front * x;
        } else if (p.kind == panel_kind::sheet) {
            double field = panel_system_mean_field(set, i, slab.x.data());
            solution->free_charge[std::size_t(i)] =
                scale * ((p.eps_front + p.eps_back) / 2 * x + (p.eps_front - p.eps_back) * field);
        }
    };
    run_workers(env, worker_count(env, 40LL * s * n),
                [&](int index, int count, const std::function<void()> &) {
                    for (std::int32_t i = index; i < s; i += count)
                        charges_of(i);
                });
    for (std::int32_t i = s; i < n; ++i)
        solution->total_charge[std::size_t(i)] = scale * slab.x[std::size_t(i)];
    solution->c0 = vacuum.capacitance;
    solution->c = slab.capacitance;
    solution->z0 = z0;
    return z0;
}

} // namespace

double accurate_solve(const calc_env &env, const panel_set *set, accurate_solution *solution) {
    try {
        return solve_set(env, set, solution);
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the solve");
        return calc_failed(env);
    }
}
