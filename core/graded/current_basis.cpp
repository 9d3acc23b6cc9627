// The conductors' interiors cut into rectangles and harmonic annuli.
#include "core/graded/current_basis.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;

int functional_of(const cross_section &section, int electrode) {
    return electrode == xs_ground ? section.electrode_count : electrode;
}

// The sizes of cuts growing from one face into a depth: first, first * growth, ...
// at most cap, the last cut taking what remains (merged into the one before when it
// would be thinner than a tenth of it).
env_vector<double> one_sided(const calc_env &env, double depth, double first, double growth,
                             double cap) {
    env_vector<double> sizes{env_allocator<double>(env)};
    double used = 0, size = std::min(first, cap);
    while (used + size < depth) {
        sizes.push_back(size);
        used += size;
        size = std::min(size * growth, cap);
    }
    double rest = depth - used;
    if (!sizes.empty() && rest < 0.1 * sizes.back())
        sizes.back() += rest;
    else
        sizes.push_back(rest);
    return sizes;
}

void add_rectangles(int conductor, double y0, double y1, const env_vector<double> &x_cuts,
                    env_vector<current_basis> &out) {
    for (std::size_t i = 0; i + 1 < x_cuts.size(); ++i) {
        double w = x_cuts[i + 1] - x_cuts[i], h = y1 - y0;
        if (!(w > 0)) continue;
        out.push_back({basis_shape::rectangle,
                       conductor,
                       {(x_cuts[i] + x_cuts[i + 1]) / 2, (y0 + y1) / 2},
                       w,
                       h,
                       0,
                       0,
                       0,
                       false,
                       w * h});
    }
}

// The x extents where the horizontal line at height y crosses into the polygon (even-odd),
// paired; pairs of no width (the two sides of a cut into a hole) dropped.
env_vector<double> crossings(const calc_env &env, const std::vector<xs_point> &polygon, double y) {
    env_vector<double> xs{env_allocator<double>(env)};
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        xs_point p = polygon[i], q = polygon[(i + 1) % polygon.size()];
        if ((p.y > y) != (q.y > y)) xs.push_back(p.x + (y - p.y) / (q.y - p.y) * (q.x - p.x));
    }
    std::sort(xs.begin(), xs.end());
    return xs;
}

// A polygon cut at its corners' heights into slabs, each slab's extents (taken at mid
// height, where a trapezoid's width is its mean width, so the area is exact) into
// rectangles graded towards the slab's ends, and the slabs into layers graded towards
// their tops and bottoms.
void add_polygon(const calc_env &env, const xs_conductor &c, int conductor, const basis_grading &g,
                 env_vector<current_basis> &out) {
    env_vector<double> levels{env_allocator<double>(env)};
    for (const xs_point &p : c.outline)
        levels.push_back(p.y);
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    double height = levels.back() - levels.front();
    for (std::size_t s = 0; s + 1 < levels.size(); ++s) {
        double y0 = levels[s], y1 = levels[s + 1];
        env_vector<double> xs = crossings(env, c.outline, (y0 + y1) / 2);
        double widest = 0;
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2)
            widest = std::max(widest, xs[i + 1] - xs[i]);
        double cap = std::max(std::min(widest, height) / 2, g.surface_layer);
        env_vector<double> y_cuts =
            current_basis_cuts(env, y1 - y0, g.surface_layer, g.growth, cap);
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
            double length = xs[i + 1] - xs[i];
            if (!(length > 1e-12 * widest)) continue;
            env_vector<double> x_cuts = current_basis_cuts(env, length, g.surface_layer, g.growth,
                                                           std::max(length / 8, g.surface_layer));
            for (double &x : x_cuts)
                x += xs[i];
            for (std::size_t k = 0; k + 1 < y_cuts.size(); ++k)
                add_rectangles(conductor, y0 + y_cuts[k], y0 + y_cuts[k + 1], x_cuts, out);
        }
    }
}

void add_annulus(int conductor, xs_point centre, double inner, double outer, int harmonics,
                 env_vector<current_basis> &out) {
    double area = pi * (outer * outer - inner * inner);
    out.push_back({basis_shape::annulus, conductor, centre, 0, 0, inner, outer, 0, false, area});
    for (int m = 1; m <= harmonics; ++m) {
        out.push_back(
            {basis_shape::annulus, conductor, centre, 0, 0, inner, outer, m, false, area});
        out.push_back({basis_shape::annulus, conductor, centre, 0, 0, inner, outer, m, true, area});
    }
}

// A wire cut into annuli from its surface inwards, the innermost a disc; a tube into
// annuli graded towards both of its faces.
void add_round(const calc_env &env, const xs_round &r, int conductor, double wall,
               const basis_grading &g, env_vector<current_basis> &out) {
    if (r.enclosing) {
        env_vector<double> cuts = current_basis_cuts(env, wall, g.surface_layer, g.growth, wall);
        for (std::size_t k = 0; k + 1 < cuts.size(); ++k)
            add_annulus(conductor, r.centre, r.radius + cuts[k], r.radius + cuts[k + 1],
                        g.harmonics, out);
        return;
    }
    env_vector<double> sizes = one_sided(env, r.radius, g.surface_layer, g.growth, r.radius / 4);
    double outer = r.radius;
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        double inner = k + 1 == sizes.size() ? 0 : std::max(outer - sizes[k], 0.0);
        add_annulus(conductor, r.centre, inner, outer, g.harmonics, out);
        outer = inner;
    }
}

double extent(const std::vector<xs_point> &outline, bool vertical) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const xs_point &p : outline) {
        lo = std::min(lo, vertical ? p.y : p.x);
        hi = std::max(hi, vertical ? p.y : p.x);
    }
    return hi - lo;
}

} // namespace

env_vector<double> current_basis_cuts(const calc_env &env, double length, double first,
                                      double growth, double cap) {
    env_vector<double> half = one_sided(env, length / 2, first, growth, cap);
    env_vector<double> cuts(1, 0.0, env_allocator<double>(env));
    for (double size : half)
        cuts.push_back(cuts.back() + size);
    cuts.back() = length / 2;
    for (std::size_t k = half.size(); k-- > 0;)
        cuts.push_back(length - cuts[k]);
    cuts.back() = length;
    return cuts;
}

double current_basis_thinnest(const cross_section &section, double shield_thickness) {
    double thinnest = HUGE_VAL;
    for (const xs_conductor &c : section.conductors) {
        if (c.outline.size() < 3) return 0;
        thinnest =
            std::min(thinnest, std::min(extent(c.outline, false), extent(c.outline, true)) / 2);
    }
    for (const xs_round &r : section.rounds)
        thinnest = std::min(thinnest, r.enclosing ? shield_thickness / 2 : r.radius);
    return thinnest;
}

bool current_basis_of(const calc_env &env, const cross_section &section, double shield_thickness,
                      const basis_grading &grading, env_vector<current_basis> &out) {
    if (!(current_basis_thinnest(section, shield_thickness) > 0)) {
        env_error(env, L"A conductor of zero thickness has no resistance: give it a thickness");
        return false;
    }
    try {
        out.clear();
        for (const xs_conductor &c : section.conductors)
            add_polygon(env, c, functional_of(section, c.electrode), grading, out);
        for (const xs_round &r : section.rounds)
            add_round(env, r, functional_of(section, r.electrode), shield_thickness, grading, out);
        return true;
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the conductors' currents");
        return false;
    }
}
