// One drive of a line solved on the whole section, and its potential on a set of points.
#include "core/graded/line_field.h"

#include "core/graded/accurate_solver.h"
#include "core/graded/lu_solve.h"
#include "core/graded/panel_system.h"

#include <new>

namespace {

bool solve_field(const calc_env &env, const cross_section &section, double density,
                 std::span<const double> volts, line_field &out) {
    cross_section whole = section;
    whole.mirror_x = false;
    whole.mirror_pair = false;
    std::int32_t n = panels_count(env, whole, density);
    if (n == 0) return calc_failed(env), false;
    out.set.reset(panels_new(env, whole, density, n));
    if (!out.set) return calc_failed(env), false;
    const panel_set &set = *out.set;
    int rows = panel_set_functionals(set);
    lu_ptr lu(lu_new(env, n));
    if (!lu) return calc_failed(env), false;
    env_vector<double> f(std::size_t(rows) * std::size_t(n), 0.0, env_allocator<double>(env));
    if (!panel_system_fill(env, &set, false, lu->a, f.data())) return calc_cancelled(env), false;
    if (lu_factor(env, lu.get()) != 0)
        return env_cancelled(env) ? calc_cancelled(env) : calc_failed(env), false;
    // The drive, and with no reference the common potential of every conductor, whose
    // multiple leaves the section neutral without changing the voltages between them.
    bool floating = !set.ground_plane && !set.upper_plane;
    env_vector<double> x(std::size_t(n) * 2, 0.0, env_allocator<double>(env));
    for (std::int32_t i = 0; i < set.conductor_count; ++i) {
        int k = set.panels[std::size_t(i)].electrode;
        if (k >= 0 && std::size_t(k) < volts.size()) x[std::size_t(i)] = volts[std::size_t(k)];
        x[std::size_t(n + i)] = 1;
    }
    if (lu_solve(lu.get(), false, x.data(), floating ? 2 : 1) != 0) return calc_failed(env), false;
    double shift = 0;
    if (floating) {
        double net = 0, common = 0;
        for (std::size_t j = 0; j < f.size(); ++j) {
            net += f[j] * x[j % std::size_t(n)];
            common += f[j] * x[std::size_t(n) + j % std::size_t(n)];
        }
        shift = -net / common;
    }
    out.x.assign(std::size_t(n), 0.0);
    out.free_density.assign(std::size_t(n), 0.0);
    for (std::int32_t j = 0; j < n; ++j) {
        double q = x[std::size_t(j)] + shift * x[std::size_t(n + j)];
        out.x[std::size_t(j)] = q;
        const panel_t &p = set.panels[std::size_t(j)];
        if (p.kind == panel_kind::conductor) out.free_density[std::size_t(j)] = p.eps_front * q;
    }
    return true;
}

} // namespace

bool line_field_solve(const calc_env &env, const cross_section &section, double density,
                      std::span<const double> volts, line_field &out) {
    try {
        return solve_field(env, section, density, volts, out);
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the field");
        return calc_failed(env), false;
    }
}

bool line_field_potentials(const calc_env &env, const line_field &field,
                           std::span<const xs_point> points, double *out) {
    return panel_system_potentials(env, field.set.get(), field.x.data(), points, out);
}
