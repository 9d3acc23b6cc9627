// The surface currents of the vacuum problem and their loss integrals.
#include "core/graded/surface_currents.h"

#include "core/graded/lu_solve.h"
#include "core/graded/panel_system.h"
#include "core/graded/panels.h"
#include "core/graded/partial_inductance.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

constexpr double gauss8_x[8] = {-0.9602898564975363, -0.7966664774136267, -0.5255324099163290,
                                -0.1834346424956498, 0.1834346424956498,  0.5255324099163290,
                                0.7966664774136267,  0.9602898564975363};
constexpr double gauss8_w[8] = {0.1012285362903763, 0.2223810344533745, 0.3137066458778873,
                                0.3626837833783620, 0.3626837833783620, 0.3137066458778873,
                                0.2223810344533745, 0.1012285362903763};

// The curvature of the round conductor a panel is a chord of (1/r on a wire, -1/r on a
// tube's inside), or 0.
double curvature_of(const cross_section &section, const panel_t &p) {
    for (const xs_round &r : section.rounds) {
        double da = std::hypot(p.a.x - r.centre.x, p.a.y - r.centre.y);
        double db = std::hypot(p.b.x - r.centre.x, p.b.y - r.centre.y);
        if (std::fabs(da - r.radius) <= 1e-9 * r.radius &&
            std::fabs(db - r.radius) <= 1e-9 * r.radius)
            return (r.enclosing ? -1 : 1) / r.radius;
    }
    return 0;
}

// Points along a plane (x, height) with Gauss weights: the conductors' panel ends mark
// where the density changes, and beyond them intervals doubling out to a million times
// the clearance, where the density's square has fallen as the fourth power.
void plane_points(const panel_set &set, double clearance, std::vector<double> &x,
                  std::vector<double> &weights) {
    std::vector<double> breaks;
    for (std::int32_t i = 0; i < set.conductor_count; ++i) {
        breaks.push_back(set.panels[std::size_t(i)].a.x);
        breaks.push_back(set.panels[std::size_t(i)].b.x);
    }
    std::sort(breaks.begin(), breaks.end());
    double lo = breaks.front(), hi = breaks.back();
    for (double step = clearance; step < 1e6 * clearance; step *= 2) {
        breaks.push_back(lo - step);
        breaks.push_back(hi + step);
    }
    std::sort(breaks.begin(), breaks.end());
    for (std::size_t k = 0; k + 1 < breaks.size(); ++k) {
        double a = breaks[k], b = breaks[k + 1];
        if (!(b - a > 1e-9 * clearance)) continue;
        int pieces = int(std::ceil((b - a) / clearance));
        pieces = std::clamp(pieces, 1, 8);
        double step = (b - a) / pieces;
        for (int p = 0; p < pieces; ++p)
            for (int g = 0; g < 8; ++g) {
                x.push_back(a + step * (p + 0.5) + step / 2 * gauss8_x[g]);
                weights.push_back(step / 2 * gauss8_w[g]);
            }
    }
}

struct drives {
    int signals;
    std::int32_t n;
    std::vector<double> x;    // per signal drive, n panel densities over eps0
    std::vector<double> unit; // signals x signals: drive weights of a unit current
};

// The vacuum problem solved for each signal conductor at 1 V (the others and the
// ground at 0 V; with no plane, shifted to leave no net charge), and the drives'
// combinations that carry 1 A (charge 1 in these units) on one conductor.
bool solve_drives(const calc_env &env, const panel_set &set, drives &d) {
    std::int32_t n = set.conductor_count;
    int signals = set.electrode_count, rows = panel_set_functionals(set);
    lu_ptr lu(lu_new(env, n));
    if (!lu) return false;
    std::vector<double> f(std::size_t(rows) * std::size_t(n), 0.0);
    if (!panel_system_fill(env, &set, true, lu->a, f.data())) return false;
    if (lu_factor(env, lu.get()) != 0) return false;
    bool floating = !set.ground_plane && !set.upper_plane;
    int count = signals + 1;
    std::vector<double> x(std::size_t(count) * std::size_t(n), 0.0);
    for (std::int32_t i = 0; i < n; ++i) {
        int k = set.panels[std::size_t(i)].electrode;
        if (k >= 0) x[std::size_t(k) * std::size_t(n) + std::size_t(i)] = 1;
        x[std::size_t(signals) * std::size_t(n) + std::size_t(i)] = 1;
    }
    if (lu_solve(lu.get(), false, x.data(), count) != 0) return false;
    auto charge = [&](int drive, int functional) {
        double q = 0;
        for (std::int32_t j = 0; j < n; ++j)
            q += f[std::size_t(functional) * std::size_t(n) + std::size_t(j)] *
                 x[std::size_t(drive) * std::size_t(n) + std::size_t(j)];
        return q;
    };
    auto net = [&](int drive) {
        double q = 0;
        for (int r = 0; r < rows; ++r)
            q += charge(drive, r);
        return q;
    };
    if (floating) {
        double common = net(signals);
        for (int k = 0; k < signals; ++k) {
            double shift = -net(k) / common;
            for (std::int32_t j = 0; j < n; ++j)
                x[std::size_t(k) * std::size_t(n) + std::size_t(j)] +=
                    shift * x[std::size_t(signals) * std::size_t(n) + std::size_t(j)];
        }
    }
    // Q = C V with C_lk the charge on l of drive k; a unit current on i is V = C^-1 e_i.
    std::vector<double> c(std::size_t(signals * signals)), inv(std::size_t(signals * signals), 0.0);
    for (int l = 0; l < signals; ++l)
        for (int k = 0; k < signals; ++k)
            c[std::size_t(l * signals + k)] = charge(k, l);
    for (int i = 0; i < signals; ++i)
        inv[std::size_t(i * signals + i)] = 1;
    lu_ptr small(lu_new(env, signals));
    if (!small) return false;
    for (int l = 0; l < signals; ++l)
        for (int k = 0; k < signals; ++k)
            small->a[std::size_t(k * signals + l)] = c[std::size_t(l * signals + k)];
    if (lu_factor(env, small.get()) != 0 || lu_solve(small.get(), false, inv.data(), signals) != 0)
        return false;
    d.signals = signals;
    d.n = n;
    x.resize(std::size_t(signals) * std::size_t(n));
    d.x = std::move(x);
    d.unit = std::move(inv); // column i (at i * signals) holds C^-1 e_i
    return true;
}

// The current density per ampere of signal conductor i at a value of each drive.
double unit_current(const drives &d, int i, const double *per_drive, std::size_t stride) {
    double sum = 0;
    for (int k = 0; k < d.signals; ++k)
        sum += d.unit[std::size_t(i * d.signals + k)] * per_drive[std::size_t(k) * stride];
    return sum;
}

// One plane's share: the charge density on it is eps0 times the normal field, taken from
// the potential a small height off it (the potential's second normal derivative vanishes
// on a plane held at 0 V, so the error is of the height's square).
bool add_plane(const calc_env &env, const panel_set &set, const drives &d, double level,
               double clearance, double *k) {
    std::vector<double> xs, weights;
    plane_points(set, clearance, xs, weights);
    double eta = 1e-4 * clearance;
    double y = level == 0 ? eta : level - eta;
    std::vector<xs_point> points(xs.size());
    for (std::size_t p = 0; p < xs.size(); ++p)
        points[p] = {xs[p], y};
    std::size_t all = set.panels.size(), count = points.size();
    std::vector<double> full(all, 0.0), phi(std::size_t(d.signals) * count);
    for (int drive = 0; drive < d.signals; ++drive) {
        std::copy_n(&d.x[std::size_t(drive) * std::size_t(d.n)], std::size_t(d.n), full.begin());
        if (!panel_system_potentials(env, &set, full.data(), points,
                                     &phi[std::size_t(drive) * count]))
            return false;
    }
    for (std::size_t p = 0; p < count; ++p)
        for (int i = 0; i < d.signals; ++i)
            for (int j = 0; j < d.signals; ++j)
                k[i * d.signals + j] += weights[p] * unit_current(d, i, &phi[p], count) *
                                        unit_current(d, j, &phi[p], count) / (eta * eta);
    return true;
}

bool integrate(const calc_env &env, const cross_section &section, double density,
               surface_currents &out) {
    cross_section vacuum = section;
    vacuum.dielectrics.clear();
    vacuum.background_epsilon_r = 1;
    vacuum.mirror_x = false;
    vacuum.mirror_pair = false;
    std::int32_t count = panels_count(env, vacuum, density);
    if (count == 0) return false;
    panels_ptr set(panels_new(env, vacuum, density, count));
    if (!set) return false;
    for (std::int32_t i = 0; i < set->conductor_count; ++i)
        if (set->panels[std::size_t(i)].kind == panel_kind::sheet) {
            env_error(env, L"A conductor of zero thickness has no resistance: give it a thickness");
            return false;
        }
    drives d{};
    if (!solve_drives(env, *set, d)) return false;
    int s = d.signals;
    out.signals = s;
    out.k.assign(std::size_t(s * s), 0.0);
    out.k_curvature.assign(std::size_t(s * s), 0.0);
    out.k_curvature2.assign(std::size_t(s * s), 0.0);
    out.k_planes.assign(std::size_t(s * s), 0.0);
    // The unit currents' drives are C0^-1 over eps0, so mu0 eps0 C0^-1 is mu0 times them.
    out.l_external.assign(std::size_t(s * s), 0.0);
    for (int i = 0; i < s; ++i)
        for (int j = 0; j < s; ++j)
            out.l_external[std::size_t(i * s + j)] = partial_mu0 * d.unit[std::size_t(i * s + j)];
    double lowest = HUGE_VAL, highest = -HUGE_VAL;
    for (std::int32_t p = 0; p < set->conductor_count; ++p) {
        const panel_t &panel = set->panels[std::size_t(p)];
        lowest = std::min({lowest, panel.a.y, panel.b.y});
        highest = std::max({highest, panel.a.y, panel.b.y});
        double kappa = curvature_of(section, panel);
        for (int i = 0; i < s; ++i)
            for (int j = 0; j < s; ++j) {
                double jj = unit_current(d, i, &d.x[std::size_t(p)], std::size_t(d.n)) *
                            unit_current(d, j, &d.x[std::size_t(p)], std::size_t(d.n)) *
                            panel.length;
                out.k[std::size_t(i * s + j)] += jj;
                out.k_curvature[std::size_t(i * s + j)] += kappa * jj;
                out.k_curvature2[std::size_t(i * s + j)] += kappa * kappa * jj;
            }
    }
    if (set->ground_plane && !add_plane(env, *set, d, 0, lowest, out.k_planes.data())) return false;
    if (set->upper_plane && !add_plane(env, *set, d, set->upper_height, set->upper_height - highest,
                                       out.k_planes.data()))
        return false;
    return true;
}

} // namespace

bool surface_currents_of(const calc_env &env, const cross_section &section, double density,
                         surface_currents &out) {
    try {
        if (integrate(env, section, density, out)) return true;
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the surface currents");
    }
    if (env_cancelled(env)) return calc_cancelled(env), false;
    return calc_failed(env), false;
}
