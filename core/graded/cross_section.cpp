// The line's cross-section built from the calculation inputs.
#include "core/graded/cross_section.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

bool positive_length(double value) {
    return value > 0 && std::isfinite(value);
}

// A strip of width w centred at x on the face at height y: a sheet for t = 0, else the
// rectangle [x - w/2, x + w/2] x [y, y + height] (height negative: below the face).
xs_conductor strip(double x, double w, double y, double height, int electrode) {
    double left = x - w / 2, right = x + w / 2;
    if (height == 0) return {{{left, y}, {right, y}}, electrode};
    double other = y + height;
    double bottom = std::min(y, other), top = std::max(y, other);
    return {{{left, bottom}, {right, bottom}, {right, top}, {left, top}}, electrode};
}

} // namespace

bool xs_inside(const std::vector<xs_point> &polygon, xs_point p) {
    bool in = false;
    std::size_t n = polygon.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        xs_point u = polygon[i], v = polygon[j];
        if ((u.y > p.y) != (v.y > p.y) && p.x < (v.x - u.x) * (p.y - u.y) / (v.y - u.y) + u.x) {
            in = !in;
        }
    }
    return in;
}

cross_section xs_pair_half(const cross_section &section) {
    cross_section half = section;
    for (xs_conductor &c : half.conductors) {
        if (c.electrode != xs_ground) c.electrode = 0;
    }
    half.electrode_count = 1;
    return half;
}

int xs_region_at(const cross_section &section, xs_point p) {
    for (std::size_t k = 0; k < section.dielectrics.size(); ++k)
        if (xs_inside(section.dielectrics[k].outline, p)) return int(k);
    return -1;
}

double xs_permittivity_at(const cross_section &section, xs_point p) {
    int region = xs_region_at(section, p);
    return region < 0 ? section.background_epsilon_r
                      : section.dielectrics[std::size_t(region)].epsilon_r;
}

bool xs_has_reference(const cross_section &section) {
    if (section.ground_plane || section.upper_plane) return true;
    return std::any_of(section.conductors.begin(), section.conductors.end(),
                       [](const xs_conductor &c) { return c.electrode == xs_ground; }) ||
           std::any_of(section.rounds.begin(), section.rounds.end(),
                       [](const xs_round &r) { return r.electrode == xs_ground; });
}

double xs_along_outline(const xs_conductor &conductor, xs_point p) {
    const std::vector<xs_point> &outline = conductor.outline;
    std::size_t n = outline.size();
    std::size_t edges = n == 2 ? 1 : n;
    double start = 0, best = 0, nearest = INFINITY;
    for (std::size_t i = 0; i < edges; ++i) {
        xs_point a = outline[i], b = outline[(i + 1) % n];
        double dx = b.x - a.x, dy = b.y - a.y;
        double length = std::hypot(dx, dy);
        double s = length > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length : 0;
        s = std::clamp(s, 0.0, length);
        double ex = a.x + (length > 0 ? s * dx / length : 0) - p.x;
        double ey = a.y + (length > 0 ? s * dy / length : 0) - p.y;
        double distance = std::hypot(ex, ey);
        if (distance < nearest) {
            nearest = distance;
            best = start + s;
        }
        start += length;
    }
    return best;
}

bool xs_line(const calc_env &env, const calc_params &params, cross_section &out) {
    bool microstrip = params.w2 <= 0;
    double t = params.t;
    if (!positive_length(params.w1) || !positive_length(params.h) || !positive_length(params.p) ||
        (!microstrip && !positive_length(params.w2)) || !std::isfinite(params.d) ||
        !std::isfinite(params.epsilon_r)) {
        env_error(env, L"Illegal geometric length");
        return false;
    }
    if (!(t >= 0) || !(t <= params.h)) {
        env_error(env, L"The strip thickness t must lie between 0 and h");
        return false;
    }
    // The panels at a strip's corners are a small fraction of its thickness; below a
    // millionth of h they would vanish in the rounding of the coordinates.
    if (t > 0 && t < 1e-6 * params.h) {
        env_error(env, L"The strip thickness t is too small to mesh: use 0 for flat strips");
        return false;
    }
    cross_section line{};
    line.ground_plane = microstrip;
    line.mirror_x = microstrip || params.d == 0;
    double h = params.h;
    double left, right;
    if (microstrip) {
        line.conductors.push_back(strip(0, params.w1, h, t, 0));
        line.electrode_count = 1;
        left = -params.w1 / 2;
        right = params.w1 / 2;
    } else {
        line.conductors.push_back(strip(params.d, params.w1, h, t, 0));
        line.conductors.push_back(strip(0, params.w2, 0, -t, 1));
        line.electrode_count = 2;
        left = std::min(params.d - params.w1 / 2, -params.w2 / 2);
        right = std::max(params.d + params.w1 / 2, params.w2 / 2);
    }
    left -= params.p;
    right += params.p;
    line.dielectrics.push_back({{{left, 0}, {right, 0}, {right, h}, {left, h}}, params.epsilon_r});
    out = std::move(line);
    return true;
}
