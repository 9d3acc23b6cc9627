// Factorise, find the charge-neutral voltages, solve for the charges, extract.
#include "core/graded/accurate_solver.h"

#include "core/base/params.h"
#include "core/base/worker_pool.h"
#include "core/graded/lu_solve.h"
#include "core/graded/panel_system.h"

#include <algorithm>
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
    env_vector<double> f(std::size_t(panel_set_functionals(*set)) * std::size_t(s), 0.0,
                         env_allocator<double>(env));
    for (std::int32_t i = 0; i < s; ++i) {
        const panel_t &p = set->panels[std::size_t(i)];
        f[std::size_t(panel_set_functional(*set, p)) * std::size_t(s) + std::size_t(i)] = p.length;
    }
    return f;
}

// Factorises the filled system, drives it and extracts the first electrode's capacitance.
problem_result solve_problem(const calc_env &env, const panel_set *set, lu_system *lu,
                             const env_vector<double> &f) {
    std::int32_t n = lu->n;
    problem_result result(env);
    if (!lu->factored && lu_factor(env, lu) != 0) return result;

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

// The vacuum system out of the full one: its leading block of the conductor panels (a
// potential row does not depend on the permittivities).
void copy_conductor_block(const lu_system &full, lu_system &vacuum) {
    std::int32_t n = full.n, s = vacuum.n;
    for (std::int32_t j = 0; j < s; ++j) {
        for (std::int32_t i = 0; i < s; ++i)
            vacuum.a[std::size_t(j) * s + i] = full.a[std::size_t(j) * n + i];
    }
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

// Fills, factorises and solves the vacuum problem, then the problem with the
// dielectrics, through solve(lu, f, vacuum); the vacuum system is copied out of the full
// one when both fit the working set at once, else filled and solved on its own before
// the full system exists. Returns false, the reason reported, when either could not be
// had or solved; true otherwise.
template <class Solve>
bool solve_both(const calc_env &env, const panel_set *set, env_vector<double> &f, Solve &&solve) {
    std::int32_t n = std::int32_t(set->panels.size());
    std::int32_t s = set->conductor_count;
    std::size_t rows = std::size_t(panel_set_functionals(*set));
    env_info(env, L"Filling matrix");
    lu_ptr slab_lu;
    f.assign(rows * std::size_t(n), 0.0);
    if (n == s) {
        // No interface: the potential rows do not depend on the permittivities, so both
        // problems share one system and one factorisation, and differ in their charges.
        slab_lu.reset(lu_new(env, n));
        if (!slab_lu) return calc_failed(env), false;
        if (!panel_system_fill(env, set, false, slab_lu->a, f.data()))
            return calc_cancelled(env), false;
        env_info(env, L"Solving");
        if (!solve(slab_lu.get(), vacuum_functionals(env, set), true) ||
            !solve(slab_lu.get(), f, false))
            return stopped(env), false;
        return true;
    }
    lu_ptr vacuum_lu(lu_new(env, s));
    if (!vacuum_lu) return calc_failed(env), false;
    if (vacuum_fits_beside(n, s)) {
        slab_lu.reset(lu_new(env, n));
        if (!slab_lu) return calc_failed(env), false;
        if (!panel_system_fill(env, set, false, slab_lu->a, f.data()))
            return calc_cancelled(env), false;
        copy_conductor_block(*slab_lu, *vacuum_lu);
    } else {
        env_vector<double> unused(rows * std::size_t(s), 0.0, env_allocator<double>(env));
        if (!panel_system_fill(env, set, true, vacuum_lu->a, unused.data()))
            return calc_cancelled(env), false;
    }
    env_info(env, L"Solving");
    bool vacuum_ok = solve(vacuum_lu.get(), vacuum_functionals(env, set), true);
    vacuum_lu.reset();
    if (!vacuum_ok) return stopped(env), false;
    if (!slab_lu) {
        slab_lu.reset(lu_new(env, n));
        if (!slab_lu) return calc_failed(env), false;
        if (!panel_system_fill(env, set, false, slab_lu->a, f.data()))
            return calc_cancelled(env), false;
    }
    bool slab_ok = solve(slab_lu.get(), f, false);
    if (!slab_ok) return stopped(env), false;
    return true;
}

double solve_set(const calc_env &env, const panel_set *set, accurate_solution *solution) {
    std::int32_t n = std::int32_t(set->panels.size());
    std::int32_t s = set->conductor_count;
    env_vector<double> f{env_allocator<double>(env)};
    problem_result vacuum(env), slab(env);
    bool solved = solve_both(env, set, f,
                             [&](lu_system *lu, const env_vector<double> &functionals, bool air) {
                                 problem_result &r = air ? vacuum : slab;
                                 r = solve_problem(env, set, lu, functionals);
                                 return r.ok;
                             });
    if (!solved) return -1.0;
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

// One problem of the capacitance matrix: every signal electrode's drive at once, and
// with a floating reference the drive of every conductor at once, whose multiple makes
// each solution neutral without changing its voltages against the ground conductors.
bool solve_columns(const calc_env &env, const panel_set *set, double sign, lu_system *lu,
                   const env_vector<double> &f, double *out) {
    std::int32_t n = lu->n;
    int m = set->electrode_count, rows = panel_set_functionals(*set);
    bool floating = !set->ground_plane && !set->upper_plane && sign > 0;
    int count = m + (floating ? 1 : 0);
    if (!lu->factored && lu_factor(env, lu) != 0) return false;
    env_vector<double> x(std::size_t(n) * std::size_t(count), 0.0, env_allocator<double>(env));
    // Floating, the last drive raises every conductor by 1 V: the common potential.
    for (std::int32_t i = 0; i < set->conductor_count; ++i) {
        int k = set->panels[std::size_t(i)].electrode;
        if (k != xs_ground) x[std::size_t(k) * n + std::size_t(i)] = 1;
        if (floating) x[std::size_t(m) * n + std::size_t(i)] = 1;
    }
    if (lu_solve(lu, false, x.data(), count) != 0) return false;
    // charge[r * count + k]: functional r of solution k.
    env_vector<double> charge(std::size_t(rows) * std::size_t(count), 0.0,
                              env_allocator<double>(env));
    for (int r = 0; r < rows; ++r) {
        for (int k = 0; k < count; ++k) {
            double q = 0;
            for (std::int32_t j = 0; j < n; ++j)
                q +=
                    f[std::size_t(r) * n + std::size_t(j)] * x[std::size_t(k) * n + std::size_t(j)];
            charge[std::size_t(r) * count + std::size_t(k)] = q;
        }
    }
    // A mirrored set's kept panels stand for themselves and their images, except for a
    // pair's half, whose image is the other conductor.
    double halves = set->mirror_x && !set->mirror_pair ? 2 : 1;
    for (int k = 0; k < m; ++k) {
        double shift = 0;
        if (floating) {
            double net = 0, ground_net = 0;
            for (int r = 0; r < rows; ++r) {
                net += charge[std::size_t(r) * count + std::size_t(k)];
                ground_net += charge[std::size_t(r) * count + std::size_t(m)];
            }
            shift = -net / ground_net;
        }
        for (int i = 0; i < m; ++i) {
            double q = charge[std::size_t(i) * count + std::size_t(k)];
            if (floating) q += shift * charge[std::size_t(i) * count + std::size_t(m)];
            out[std::size_t(i) * m + std::size_t(k)] = accurate_epsilon0 * halves * q;
        }
    }
    for (int i = 0; i < m * m; ++i) {
        if (!std::isfinite(out[i])) {
            env_error(env, L"The system has no finite solution");
            return false;
        }
    }
    return true;
}

bool capacitances(const calc_env &env, const panel_set *set, double *c, double *c0) {
    bool floating = !set->ground_plane && !set->upper_plane;
    if (set->electrode_count < 1 || (floating && !set->ground_conductors)) {
        env_error(env, L"The cross-section needs a signal conductor and a reference: a plane "
                       L"or a ground conductor");
        return calc_failed(env), false;
    }
    env_vector<double> f{env_allocator<double>(env)};
    return solve_both(
        env, set, f, [&](lu_system *lu, const env_vector<double> &functionals, bool air) {
            return solve_columns(env, set, set->mirror_sign, lu, functionals, air ? c0 : c);
        });
}

// The two drives' systems are independent: each factorised on a core of its own beats
// sharing each one out in turn, whose block columns are factorised on one core while the
// other waits. The second reports through the first's sinks only when it alone fails
// (its matrix came from the same entries, so a non-finite one fails both).
bool factor_side_by_side(const calc_env &env, lu_system *first, lu_system *second) {
    lu_system *systems[2] = {first, second};
    int factored[2] = {-1, -1};
    bool second_silent = false;
    double work = double(first->n) * double(first->n) * double(first->n);
    run_workers(env, std::min(2, worker_count(env, (long long)std::min(work, 1e18))),
                [&](int index, int count, const std::function<void()> &) {
                    calc_env own = env;
                    if (count > 1) own.threads = 1;
                    if (index > 0) {
                        own.sinks = {nullptr, nullptr, nullptr};
                        own.progress = nullptr;
                        second_silent = true;
                    }
                    for (int k = index; k < 2; k += count)
                        factored[k] = lu_factor(own, systems[k]);
                });
    if (factored[0] != 0) return false;
    if (factored[1] != 0 && second_silent && !env_cancelled(env))
        env_error(env, L"The system matrix is singular");
    return factored[1] == 0;
}

// Both drives of a mirrored set: one fill of the two systems, the vacuum systems copied
// out of their conductor blocks, four solves.
bool halves(const calc_env &env, const panel_set *set, double *c_even, double *c0_even,
            double *c_odd, double *c0_odd) {
    std::int32_t n = std::int32_t(set->panels.size());
    std::int32_t s = set->conductor_count;
    std::size_t rows = std::size_t(panel_set_functionals(*set));
    env_vector<double> f_even(rows * std::size_t(n), 0.0, env_allocator<double>(env));
    env_vector<double> f_odd(rows * std::size_t(n), 0.0, env_allocator<double>(env));
    lu_ptr even(lu_new(env, n)), odd(lu_new(env, n));
    lu_ptr vacuum_even(lu_new(env, s)), vacuum_odd(lu_new(env, s));
    if (!even || !odd || !vacuum_even || !vacuum_odd) return calc_failed(env), false;
    env_info(env, L"Filling matrix");
    if (!panel_system_fill_halves(env, set, even->a, f_even.data(), odd->a, f_odd.data()))
        return calc_cancelled(env), false;
    copy_conductor_block(*even, *vacuum_even);
    copy_conductor_block(*odd, *vacuum_odd);
    env_info(env, L"Solving");
    if (!factor_side_by_side(env, even.get(), odd.get())) return stopped(env), false;
    env_vector<double> vf = vacuum_functionals(env, set);
    if (!solve_columns(env, set, 1, vacuum_even.get(), vf, c0_even) ||
        !solve_columns(env, set, -1, vacuum_odd.get(), vf, c0_odd) ||
        !solve_columns(env, set, 1, even.get(), f_even, c_even) ||
        !solve_columns(env, set, -1, odd.get(), f_odd, c_odd))
        return stopped(env), false;
    return true;
}

} // namespace

bool accurate_capacitance_halves(const calc_env &env, const panel_set *set, double *c_even,
                                 double *c0_even, double *c_odd, double *c0_odd) {
    try {
        return halves(env, set, c_even, c0_even, c_odd, c0_odd);
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the solve");
        return calc_failed(env), false;
    }
}

double accurate_solve(const calc_env &env, const panel_set *set, accurate_solution *solution) {
    try {
        return solve_set(env, set, solution);
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the solve");
        return calc_failed(env);
    }
}

bool accurate_capacitances(const calc_env &env, const panel_set *set, double *c, double *c0) {
    try {
        return capacitances(env, set, c, c0);
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the solve");
        return calc_failed(env), false;
    }
}
