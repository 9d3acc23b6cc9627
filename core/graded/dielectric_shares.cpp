// The regions' shares of C by Green's identity over each region's boundary.
#include "core/graded/dielectric_shares.h"

#include "core/graded/accurate_solver.h"
#include "core/graded/lu_solve.h"
#include "core/graded/panel_system.h"
#include "core/graded/panels.h"

#include <new>
#include <vector>

namespace {

// The region on one side of a panel: a point a millionth of the panel's length off its
// centre.
int region_beside(const cross_section &section, const panel_t &p, double side) {
    double off = 1e-6 * p.length * side;
    return xs_region_at(section, {p.centre.x + off * p.normal.x, p.centre.y + off * p.normal.y});
}

// The slab problem solved for each signal conductor at 1 V; with no plane, each drive
// shifted by the common one to leave the section neutral.
bool solve_drives(const calc_env &env, const panel_set &set, std::vector<double> &x) {
    std::int32_t n = std::int32_t(set.panels.size());
    int signals = set.electrode_count, rows = panel_set_functionals(set);
    lu_ptr lu(lu_new(env, n));
    if (!lu) return false;
    std::vector<double> f(std::size_t(rows) * std::size_t(n), 0.0);
    if (!panel_system_fill(env, &set, false, lu->a, f.data())) return false;
    if (lu_factor(env, lu.get()) != 0) return false;
    x.assign(std::size_t(signals + 1) * std::size_t(n), 0.0);
    for (std::int32_t i = 0; i < set.conductor_count; ++i) {
        int k = set.panels[std::size_t(i)].electrode;
        if (k >= 0) x[std::size_t(k) * std::size_t(n) + std::size_t(i)] = 1;
        x[std::size_t(signals) * std::size_t(n) + std::size_t(i)] = 1;
    }
    if (lu_solve(lu.get(), false, x.data(), signals + 1) != 0) return false;
    if (!set.ground_plane && !set.upper_plane) {
        auto net = [&](int drive) {
            double q = 0;
            for (std::size_t j = 0; j < f.size(); ++j)
                q += f[j] * x[std::size_t(drive) * std::size_t(n) + j % std::size_t(n)];
            return q;
        };
        double common = net(signals);
        for (int k = 0; k < signals; ++k) {
            double shift = -net(k) / common;
            for (std::int32_t j = 0; j < n; ++j)
                x[std::size_t(k) * std::size_t(n) + std::size_t(j)] +=
                    shift * x[std::size_t(signals) * std::size_t(n) + std::size_t(j)];
        }
    }
    x.resize(std::size_t(signals) * std::size_t(n));
    return true;
}

bool shares(const calc_env &env, const cross_section &section, double density,
            env_vector<double> &out) {
    cross_section whole = section;
    whole.mirror_x = false;
    whole.mirror_pair = false;
    std::int32_t n = panels_count(env, whole, density);
    if (n == 0) return false;
    panels_ptr set(panels_new(env, whole, density, n));
    if (!set) return false;
    std::vector<double> x;
    if (!solve_drives(env, *set, x)) return false;
    int s = set->electrode_count;
    std::size_t regions = whole.dielectrics.size() + 1, ss = std::size_t(s * s);
    // The potential of each drive at every panel's centre (an interface's is needed).
    std::vector<xs_point> centres(static_cast<std::size_t>(n));
    for (std::int32_t p = 0; p < n; ++p)
        centres[std::size_t(p)] = set->panels[std::size_t(p)].centre;
    std::vector<double> phi(std::size_t(s) * std::size_t(n));
    for (int i = 0; i < s; ++i)
        if (!panel_system_potentials(env, set.get(), &x[std::size_t(i) * std::size_t(n)], centres,
                                     &phi[std::size_t(i) * std::size_t(n)]))
            return false;
    std::vector<double> w(regions * ss, 0.0);
    auto slot = [&](int region) { return (region < 0 ? regions - 1 : std::size_t(region)) * ss; };
    for (std::int32_t p = 0; p < n; ++p) {
        const panel_t &panel = set->panels[std::size_t(p)];
        int front = region_beside(whole, panel, 1), back = region_beside(whole, panel, -1);
        double ef = panel.eps_front, eb = panel.eps_back;
        for (int i = 0; i < s; ++i)
            for (int j = 0; j < s; ++j) {
                double xj = x[std::size_t(j) * std::size_t(n) + std::size_t(p)];
                std::size_t at = std::size_t(i * s + j);
                if (panel.kind == panel_kind::interface) {
                    double phi_i = phi[std::size_t(i) * std::size_t(n) + std::size_t(p)];
                    // dphi/dn out of the front region is its side's normal field,
                    // -x eps_b / (eps_f - eps_b); out of the back region, x eps_f / (eps_f -
                    // eps_b).
                    w[slot(front) + at] -= ef * phi_i * xj * eb / (ef - eb) * panel.length;
                    w[slot(back) + at] += eb * phi_i * xj * ef / (ef - eb) * panel.length;
                    continue;
                }
                if (panel.electrode != i) continue; // a conductor at 0 V adds nothing
                if (panel.kind == panel_kind::conductor) {
                    w[slot(front) + at] += ef * xj * panel.length;
                } else {
                    // A sheet: its two faces' fields, half its charge on either side of the
                    // mean normal field of everything else.
                    double mean =
                        panel_system_mean_field(set.get(), p, &x[std::size_t(j) * std::size_t(n)]);
                    w[slot(front) + at] += ef * (xj / 2 + mean) * panel.length;
                    w[slot(back) + at] += eb * (xj / 2 - mean) * panel.length;
                }
            }
    }
    out.assign(regions * ss, 0.0);
    for (std::size_t r = 0; r < regions; ++r)
        for (int i = 0; i < s; ++i)
            for (int j = 0; j < s; ++j)
                out[r * ss + std::size_t(i * s + j)] =
                    accurate_epsilon0 *
                    (w[r * ss + std::size_t(i * s + j)] + w[r * ss + std::size_t(j * s + i)]) / 2;
    return true;
}

} // namespace

bool dielectric_shares_of(const calc_env &env, const cross_section &section, double density,
                          env_vector<double> &out) {
    try {
        if (shares(env, section, density, out)) return true;
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the dielectric losses");
    }
    if (env_cancelled(env)) return calc_cancelled(env), false;
    return calc_failed(env), false;
}
