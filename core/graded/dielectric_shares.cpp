// The regions' shares of C by Green's identity over each region's boundary.
#include "core/graded/dielectric_shares.h"

#include "core/graded/accurate_solver.h"
#include "core/graded/lu_solve.h"
#include "core/graded/panel_drives.h"
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

// A factorised system of the set, with its functionals.
struct factored {
    lu_ptr lu;
    std::vector<double> f;
};

bool factor(const calc_env &env, factored &system) {
    return lu_factor(env, system.lu.get()) == 0;
}

// Adds scale times the boundary integrals of the drives x (s of them, every panel of
// the set) to w, one s x s block per region: the set's images (its mirror with its
// sign, the planes) are in the potentials, and a mirrored set's half of each region's
// boundary stands for the whole with scale 2.
bool integrate(const calc_env &env, const cross_section &section, const panel_set &set,
               const std::vector<double> &x, int s, double scale, std::vector<double> &w) {
    std::int32_t n = std::int32_t(set.panels.size());
    std::size_t regions = section.dielectrics.size() + 1, ss = std::size_t(s * s);
    std::vector<xs_point> centres(static_cast<std::size_t>(n));
    for (std::int32_t p = 0; p < n; ++p)
        centres[std::size_t(p)] = set.panels[std::size_t(p)].centre;
    std::vector<double> phi(std::size_t(s) * std::size_t(n));
    for (int i = 0; i < s; ++i)
        if (!panel_system_potentials(env, &set, &x[std::size_t(i) * std::size_t(n)], centres,
                                     &phi[std::size_t(i) * std::size_t(n)]))
            return false;
    auto slot = [&](int region) { return (region < 0 ? regions - 1 : std::size_t(region)) * ss; };
    for (std::int32_t p = 0; p < n; ++p) {
        const panel_t &panel = set.panels[std::size_t(p)];
        int front = region_beside(section, panel, 1), back = region_beside(section, panel, -1);
        double ef = panel.eps_front, eb = panel.eps_back, length = scale * panel.length;
        for (int i = 0; i < s; ++i)
            for (int j = 0; j < s; ++j) {
                double xj = x[std::size_t(j) * std::size_t(n) + std::size_t(p)];
                std::size_t at = std::size_t(i * s + j);
                if (panel.kind == panel_kind::interface) {
                    double phi_i = phi[std::size_t(i) * std::size_t(n) + std::size_t(p)];
                    // dphi/dn out of the front region is its side's normal field,
                    // -x eps_b / (eps_f - eps_b); out of the back region, x eps_f / (eps_f -
                    // eps_b).
                    w[slot(front) + at] -= ef * phi_i * xj * eb / (ef - eb) * length;
                    w[slot(back) + at] += eb * phi_i * xj * ef / (ef - eb) * length;
                    continue;
                }
                if (panel.electrode != i) continue; // a conductor at 0 V adds nothing
                if (panel.kind == panel_kind::conductor) {
                    w[slot(front) + at] += ef * xj * length;
                } else {
                    // A sheet: its two faces' fields, half its charge on either side of the
                    // mean normal field of everything else.
                    double mean =
                        panel_system_mean_field(&set, p, &x[std::size_t(j) * std::size_t(n)]);
                    w[slot(front) + at] += ef * (xj / 2 + mean) * length;
                    w[slot(back) + at] += eb * (xj / 2 - mean) * length;
                }
            }
    }
    return true;
}

bool new_system(const calc_env &env, const panel_set &set, factored &system) {
    system.lu.reset(lu_new(env, std::int32_t(set.panels.size())));
    system.f.assign(std::size_t(panel_set_functionals(set)) * set.panels.size(), 0.0);
    return system.lu != nullptr;
}

// A symmetric pair by its halves: the even drive (both conductors at 1 V) and the odd
// one (1 V and -1 V) on the right half's panels, W11 = (W_even + W_odd) / 4 and
// W12 = (W_even - W_odd) / 4 per region.
bool pair_by_halves(const calc_env &env, const cross_section &section, double density,
                    std::vector<double> &w) {
    cross_section half = xs_pair_half(section);
    std::int32_t count = panels_count(env, half, density);
    if (count == 0) return false;
    panels_ptr set(panels_new(env, half, density, count));
    if (!set) return false;
    factored even, odd;
    if (!new_system(env, *set, even) || !new_system(env, *set, odd)) return false;
    if (!panel_system_fill_halves(env, set.get(), even.lu->a, even.f.data(), odd.lu->a,
                                  odd.f.data()) ||
        !factor(env, even) || !factor(env, odd))
        return false;
    std::size_t regions = section.dielectrics.size() + 1;
    std::vector<double> x, we(regions, 0.0), wo(regions, 0.0);
    set->mirror_sign = 1;
    if (!panel_drives_solve(*set, even.lu.get(), even.f, x) ||
        !integrate(env, section, *set, x, 1, 2, we))
        return false;
    set->mirror_sign = -1;
    if (!panel_drives_solve(*set, odd.lu.get(), odd.f, x) ||
        !integrate(env, section, *set, x, 1, 2, wo))
        return false;
    for (std::size_t r = 0; r < regions; ++r) {
        w[r * 4] = w[r * 4 + 3] = (we[r] + wo[r]) / 4;
        w[r * 4 + 1] = w[r * 4 + 2] = (we[r] - wo[r]) / 4;
    }
    return true;
}

// Any other section: on its right half when it is its own mirror image (each conductor
// symmetric, the drives even), else whole.
bool whole_or_half(const calc_env &env, const cross_section &section, double density,
                   std::vector<double> &w) {
    std::int32_t count = panels_count(env, section, density);
    if (count == 0) return false;
    panels_ptr set(panels_new(env, section, density, count));
    if (!set) return false;
    factored system;
    if (!new_system(env, *set, system) ||
        !panel_system_fill(env, set.get(), false, system.lu->a, system.f.data()) ||
        !factor(env, system))
        return false;
    std::vector<double> x;
    return panel_drives_solve(*set, system.lu.get(), system.f, x) &&
           integrate(env, section, *set, x, set->electrode_count, section.mirror_x ? 2 : 1, w);
}

bool shares(const calc_env &env, const cross_section &section, double density,
            env_vector<double> &out) {
    int s = section.electrode_count;
    std::size_t regions = section.dielectrics.size() + 1, ss = std::size_t(s * s);
    std::vector<double> w(regions * ss, 0.0);
    bool pair = section.mirror_x && section.mirror_pair;
    if (!(pair ? pair_by_halves(env, section, density, w)
               : whole_or_half(env, section, density, w)))
        return false;
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
