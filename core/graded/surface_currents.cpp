// The surface currents of the vacuum problem and their loss integrals.
#include "core/graded/surface_currents.h"

#include "core/graded/gauss_legendre.h"

#include "core/graded/lu_solve.h"
#include "core/graded/panel_drives.h"
#include "core/graded/panel_system.h"
#include "core/graded/panels.h"
#include "core/graded/partial_inductance.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <new>
#include <numbers>
#include <vector>

namespace {

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

// The mean of J^2 over a panel that ends at a conductor's corner, against its mean J
// squared. Near a corner whose field side spans the angle theta the current density
// goes as r^-a, a = 1 - pi / theta (a third at a right-angled edge of a trace), and over
// [0, h] the mean of r^-2a is (1 - a)^2 / (1 - 2a) times the square of the mean of r^-a:
// without it the end panels, whatever their size, would miss a fixed part of the
// corner's loss and the integral would converge only as the end panel's size to the
// third. 1 for a panel away from corners.
double corner_factor(const cross_section &section, const panel_t &p) {
    double factor = 1;
    for (const xs_conductor &c : section.conductors) {
        std::size_t m = c.outline.size();
        for (std::size_t k = 0; k < m && m >= 3; ++k) {
            xs_point v = c.outline[k];
            bool at_a = p.a.x == v.x && p.a.y == v.y, at_b = p.b.x == v.x && p.b.y == v.y;
            if (!at_a && !at_b) continue;
            xs_point prev = c.outline[(k + m - 1) % m], next = c.outline[(k + 1) % m];
            // The interior angle of the counter-clockwise outline at v; the field side
            // spans the rest of the full turn.
            double in_x = v.x - prev.x, in_y = v.y - prev.y, out_x = next.x - v.x,
                   out_y = next.y - v.y;
            double turn = std::atan2(in_x * out_y - in_y * out_x, in_x * out_x + in_y * out_y);
            double theta = std::numbers::pi + turn;
            double a = 1 - std::numbers::pi / theta;
            if (a < 0.5) factor = std::max(factor, (1 - a) * (1 - a) / (1 - 2 * a));
        }
    }
    return factor;
}

// Points along a plane (x, height) with Gauss weights. The plane's charge lies at least
// the clearance from every source, so it is smooth on that scale: the conductors' panel
// ends (graded towards their edges, and their images in a mirrored set) mark where it
// changes, no closer than a quarter of
// the clearance; beyond them intervals double out to a million times the clearance,
// where the density's square has fallen as the fourth power.
void plane_points(const panel_set &set, double clearance, std::vector<double> &x,
                  std::vector<double> &weights) {
    std::vector<double> ends;
    for (std::int32_t i = 0; i < set.conductor_count; ++i)
        for (double x : {set.panels[std::size_t(i)].a.x, set.panels[std::size_t(i)].b.x}) {
            ends.push_back(x);
            if (set.mirror_x) ends.push_back(-x); // the mirror half's
        }
    std::sort(ends.begin(), ends.end());
    std::vector<double> breaks{ends.front()};
    for (double e : ends)
        if (e - breaks.back() >= clearance / 4) breaks.push_back(e);
    breaks.back() = ends.back();
    double lo = ends.front(), hi = ends.back();
    for (double step = clearance; step < 1e6 * clearance; step *= 2) {
        breaks.push_back(lo - step);
        breaks.push_back(hi + step);
    }
    std::sort(breaks.begin(), breaks.end());
    for (std::size_t k = 0; k + 1 < breaks.size(); ++k) {
        double a = breaks[k], b = breaks[k + 1];
        if (!(b - a > 1e-9 * clearance)) continue;
        int pieces = std::clamp(int(std::ceil((b - a) / clearance)), 1, 8);
        double step = (b - a) / pieces;
        for (int p = 0; p < pieces; ++p)
            for (int g = 0; g < 8; ++g) {
                x.push_back(a + step * (p + 0.5) + step / 2 * gauss8_x[g]);
                weights.push_back(step / 2 * gauss8_w[g]);
            }
    }
}

// The vacuum problem's solution as modes: each mode's panel densities (charge over eps0)
// on the set, and the mix of modes that carries 1 A on each signal conductor,
// J_i = sum_m weight[i][m] x_m. A symmetric pair's set is its right half with two modes,
// even and odd, whose products integrate to nothing over the whole (diagonal); any other
// set has one mode per signal conductor, on the whole section or, when the section is
// its own mirror image, on its right half standing for both (scale 2).
struct modes {
    int signal_count = 0, count = 0;
    std::int32_t n = 0;
    std::vector<double> x;           // count x n
    std::vector<double> weight;      // signals x count
    std::vector<double> mirror_sign; // per mode: its images' sign; 0 for a whole set
    bool diagonal = false;
    double scale = 1;
    std::vector<double> c0; // signals x signals, over eps0
};

struct factorised {
    lu_ptr lu;
    std::vector<double> f; // the free-charge functionals, functional-major
};

bool factorise(const calc_env &env, const panel_set &set, factorised &out) {
    std::int32_t n = set.conductor_count;
    out.lu.reset(lu_new(env, n));
    if (!out.lu) return false;
    out.f.assign(std::size_t(panel_set_functionals(set)) * std::size_t(n), 0.0);
    return panel_system_fill(env, &set, true, out.lu->a, out.f.data()) &&
           lu_factor(env, out.lu.get()) == 0;
}

double charge(const factorised &s, std::int32_t n, int functional, const double *x) {
    double q = 0;
    for (std::int32_t j = 0; j < n; ++j)
        q += s.f[std::size_t(functional) * std::size_t(n) + std::size_t(j)] * x[j];
    return q;
}

bool invert(const calc_env &env, int n, const std::vector<double> &m, std::vector<double> &inv) {
    lu_ptr lu(lu_new(env, n));
    if (!lu) return false;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            lu->a[std::size_t(j * n + i)] = m[std::size_t(i * n + j)];
    inv.assign(std::size_t(n * n), 0.0);
    for (int i = 0; i < n; ++i)
        inv[std::size_t(i * n + i)] = 1;
    return lu_factor(env, lu.get()) == 0 && lu_solve(lu.get(), false, inv.data(), n) == 0;
}

// One mode per electrode, on the whole set or an even mirror half.
bool electrode_modes(const calc_env &env, panel_set &set, modes &m) {
    set.mirror_sign = 1;
    factorised s;
    if (!factorise(env, set, s) || !panel_drives_solve(set, s.lu.get(), s.f, m.x)) return false;
    int signals = set.electrode_count;
    std::int32_t n = set.conductor_count;
    m.signal_count = m.count = signals;
    m.n = n;
    m.scale = set.mirror_x ? 2 : 1;
    m.mirror_sign.assign(std::size_t(signals), set.mirror_x ? 1.0 : 0.0);
    m.c0.assign(std::size_t(signals * signals), 0.0);
    for (int l = 0; l < signals; ++l)
        for (int k = 0; k < signals; ++k)
            m.c0[std::size_t(l * signals + k)] =
                m.scale * charge(s, n, l, &m.x[std::size_t(k) * std::size_t(n)]);
    // Q = C V: a unit current on i is V = C^-1 e_i, so weight[i][k] = (C^-1)_ki.
    std::vector<double> inv;
    if (!invert(env, signals, m.c0, inv)) return false;
    m.weight.assign(std::size_t(signals * signals), 0.0);
    for (int i = 0; i < signals; ++i)
        for (int k = 0; k < signals; ++k)
            m.weight[std::size_t(i * signals + k)] = inv[std::size_t(k * signals + i)];
    return true;
}

// A symmetric pair's even and odd modes on its right half: q_e and q_o the charges on
// the kept conductor at 1 V, J_1 = x_e / 2q_e + x_o / 2q_o and J_2 the same with the odd
// part negated; C0 = [[q_e + q_o, q_e - q_o], [q_e - q_o, q_e + q_o]] / 2.
bool pair_modes(const calc_env &env, panel_set &half, modes &m) {
    std::int32_t n = half.conductor_count;
    m.signal_count = m.count = 2;
    m.n = n;
    m.scale = 2;
    m.diagonal = true;
    m.mirror_sign = {1, -1};
    m.x.assign(std::size_t(2) * std::size_t(n), 0.0);
    double q[2];
    for (int mode = 0; mode < 2; ++mode) {
        half.mirror_sign = m.mirror_sign[std::size_t(mode)];
        factorised s;
        std::vector<double> x;
        if (!factorise(env, half, s) || !panel_drives_solve(half, s.lu.get(), s.f, x)) return false;
        q[mode] = charge(s, n, 0, x.data());
        std::copy(x.begin(), x.end(), m.x.begin() + std::ptrdiff_t(mode) * n);
    }
    m.weight = {1 / (2 * q[0]), 1 / (2 * q[1]), 1 / (2 * q[0]), -1 / (2 * q[1])};
    m.c0 = {(q[0] + q[1]) / 2, (q[0] - q[1]) / 2, (q[0] - q[1]) / 2, (q[0] + q[1]) / 2};
    return true;
}

// Adds value times what the densities give to k: sum_m w_im w_jm d_m^2 for diagonal
// modes, else J_i J_j; d holds one density per mode at stride.
void add_products(const modes &m, const double *d, std::size_t stride, double value, double *k) {
    int s = m.signal_count;
    for (int i = 0; i < s; ++i)
        for (int j = 0; j < s; ++j) {
            double sum = 0;
            if (m.diagonal) {
                for (int mode = 0; mode < m.count; ++mode)
                    sum += m.weight[std::size_t(i * m.count + mode)] *
                           m.weight[std::size_t(j * m.count + mode)] *
                           d[std::size_t(mode) * stride] * d[std::size_t(mode) * stride];
            } else {
                double ji = 0, jj = 0;
                for (int mode = 0; mode < m.count; ++mode) {
                    ji += m.weight[std::size_t(i * m.count + mode)] * d[std::size_t(mode) * stride];
                    jj += m.weight[std::size_t(j * m.count + mode)] * d[std::size_t(mode) * stride];
                }
                sum = ji * jj;
            }
            k[i * s + j] += value * sum;
        }
}

// The charge a panel of unit density (over eps0) induces on a plane, per unit length of
// the plane at x. One plane (at y = 0; the upper one alone by reflection): the image
// method gives -(1/pi) integral y' / |P - X|^2 ds over the panel, which is
// (1/pi) Im(conj(u) Log(z_b / z_a)) with z the panel's ends seen from X and u its
// direction, the angle part taken as the signed angle the panel subtends. Between two
// plates a line charge at height y0 induces on the lower one
// -(1 / 2H) sin(pi y0 / H) / (cosh(pi (x - x0) / H) - cos(pi y0 / H)) (the conformal map
// of the strip onto a half plane), integrated over the panel by Gauss-Legendre on pieces
// no longer than half the panel's clearance; on the upper one the same of H - y0.
// A panel as a source of charge on one plane: its ends (reflected so that the plane is
// at y = 0) and, between two plates, its Gauss nodes with what of each does not depend
// on the point of the plane.
struct plane_source {
    xs_point a, b;
    struct node {
        double x0, amplitude, cos_y0; // amplitude: the node's weight times sin(pi y0 / H)
    };
    std::vector<node> nodes;
};

plane_source source_of(const panel_t &p, bool two_plates, double h, bool upper) {
    plane_source out{p.a, p.b, {}};
    if (upper) {
        out.a.y = h - out.a.y;
        out.b.y = h - out.b.y;
    }
    if (!two_plates) return out;
    double s = std::numbers::pi / h;
    double clearance = std::min(std::min(out.a.y, out.b.y), h - std::max(out.a.y, out.b.y));
    // The kernel varies on the scale of the panel's distance from the plane: a panel short
    // against it takes the two-point rule (its error the fourth power of their ratio), a
    // longer one eight points on pieces no longer than half of it.
    bool short_panel = p.length < clearance / 4;
    int pieces = short_panel ? 1 : std::clamp(int(std::ceil(2 * p.length / clearance)), 1, 64);
    int order = short_panel ? 2 : 8;
    for (int piece = 0; piece < pieces; ++piece)
        for (int g = 0; g < order; ++g) {
            double node = short_panel ? gauss2_x[g] : gauss8_x[g];
            double weight = short_panel ? 1.0 : gauss8_w[g];
            double t = (piece + 0.5 + node / 2) / pieces;
            double x0 = out.a.x + t * (out.b.x - out.a.x), y0 = out.a.y + t * (out.b.y - out.a.y);
            double w = weight / 2 / pieces * p.length / (2 * h);
            out.nodes.push_back({x0, w * std::sin(s * y0), std::cos(s * y0)});
        }
    return out;
}

double induced(const plane_source &src, bool two_plates, double h, double x) {
    if (!two_plates) {
        // Seen from afar (the panel a tenth of its distance or less), the two-point rule of
        // y' / |P - X|^2, good to the fourth power of that ratio; near, the closed form.
        double mx = (src.a.x + src.b.x) / 2 - x, my = (src.a.y + src.b.y) / 2;
        double lx = src.b.x - src.a.x, ly = src.b.y - src.a.y, length2 = lx * lx + ly * ly;
        if (length2 < 0.01 * (mx * mx + my * my)) {
            double sum = 0;
            for (double node : gauss2_x) {
                double px = mx + node / 2 * lx, py = my + node / 2 * ly;
                sum += py / (px * px + py * py);
            }
            return -std::sqrt(length2) / 2 * sum / std::numbers::pi;
        }
        std::complex<double> za(src.a.x - x, src.a.y), zb(src.b.x - x, src.b.y);
        std::complex<double> u = (zb - za) / std::abs(zb - za);
        double angle = std::atan2(za.real() * zb.imag() - za.imag() * zb.real(),
                                  za.real() * zb.real() + za.imag() * zb.imag());
        std::complex<double> log_ratio(std::log(std::abs(zb) / std::abs(za)), angle);
        return std::imag(std::conj(u) * log_ratio) / std::numbers::pi;
    }
    double s = std::numbers::pi / h, sum = 0;
    for (const plane_source::node &n : src.nodes) {
        double e = std::exp(-std::fabs(s * (x - n.x0)));
        // cosh u - cos y0 as (1 + e^2) / 2e - cos y0, without overflow far along.
        sum -= n.amplitude * 2 * e / (1 + e * e - 2 * e * n.cos_y0);
    }
    return sum;
}

// One plane's share: each mode's charge density on it, from every conductor panel and,
// for a mirrored set, its image with the mode's sign, integrated along the whole plane.
void add_plane(const panel_set &set, const modes &m, bool upper, double clearance, double *k) {
    std::vector<double> xs, weights;
    plane_points(set, clearance, xs, weights);
    bool two_plates = set.ground_plane && set.upper_plane;
    double h = set.upper_height;
    std::size_t count = xs.size();
    std::vector<double> sigma(std::size_t(m.count) * count, 0.0);
    for (std::int32_t j = 0; j < set.conductor_count; ++j) {
        const panel_t &panel = set.panels[std::size_t(j)];
        panel_t image = panel;
        image.a = {-panel.b.x, panel.b.y};
        image.b = {-panel.a.x, panel.a.y};
        plane_source own = source_of(panel, two_plates, h, upper);
        plane_source mirror = source_of(image, two_plates, h, upper);
        for (std::size_t p = 0; p < count; ++p) {
            double g = induced(own, two_plates, h, xs[p]);
            double mirrored = set.mirror_x ? induced(mirror, two_plates, h, xs[p]) : 0;
            for (int mode = 0; mode < m.count; ++mode)
                sigma[std::size_t(mode) * count + p] +=
                    (g + m.mirror_sign[std::size_t(mode)] * mirrored) *
                    m.x[std::size_t(mode) * std::size_t(m.n) + std::size_t(j)];
        }
    }
    for (std::size_t p = 0; p < count; ++p)
        add_products(m, &sigma[p], count, weights[p], k);
}

bool integrate(const calc_env &env, const cross_section &section, double density,
               surface_currents &out) {
    cross_section vacuum = section;
    vacuum.dielectrics.clear();
    vacuum.background_epsilon_r = 1;
    bool pair = vacuum.mirror_x && vacuum.mirror_pair;
    if (pair) vacuum = xs_pair_half(vacuum);
    std::int32_t count = panels_count(env, vacuum, density);
    if (count == 0) return false;
    panels_ptr set(panels_new(env, vacuum, density, count));
    if (!set) return false;
    for (std::int32_t i = 0; i < set->conductor_count; ++i)
        if (set->panels[std::size_t(i)].kind == panel_kind::sheet) {
            env_error(env, L"A conductor of zero thickness has no resistance: give it a thickness");
            return false;
        }
    modes m;
    if (!(pair ? pair_modes(env, *set, m) : electrode_modes(env, *set, m))) return false;
    int s = m.signal_count;
    std::size_t ss = std::size_t(s * s);
    out.signal_count = s;
    out.k.assign(ss, 0.0);
    out.k_curvature.assign(ss, 0.0);
    out.k_curvature2.assign(ss, 0.0);
    out.k_planes.assign(ss, 0.0);
    // mu0 eps0 C0^-1, with C0 over eps0: mu0 C0^-1.
    std::vector<double> inv;
    if (!invert(env, s, m.c0, inv)) return false;
    out.l_external.assign(ss, 0.0);
    for (std::size_t k = 0; k < ss; ++k)
        out.l_external[k] = partial_mu0 * inv[k];
    double lowest = HUGE_VAL, highest = -HUGE_VAL;
    for (std::int32_t p = 0; p < set->conductor_count; ++p) {
        const panel_t &panel = set->panels[std::size_t(p)];
        lowest = std::min({lowest, panel.a.y, panel.b.y});
        highest = std::max({highest, panel.a.y, panel.b.y});
        double kappa = curvature_of(section, panel);
        double value = m.scale * panel.length * corner_factor(section, panel);
        const double *d = &m.x[std::size_t(p)];
        add_products(m, d, std::size_t(m.n), value, out.k.data());
        add_products(m, d, std::size_t(m.n), value * kappa, out.k_curvature.data());
        add_products(m, d, std::size_t(m.n), value * kappa * kappa, out.k_curvature2.data());
    }
    if (set->ground_plane) add_plane(*set, m, false, lowest, out.k_planes.data());
    if (set->upper_plane)
        add_plane(*set, m, true, set->upper_height - highest, out.k_planes.data());
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
