// The builders of the named line types: traces, layers, coplanar grounds and the
// conformal solder mask.
#include "core/graded/line_types.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

bool positive(double v) {
    return v > 0 && std::isfinite(v);
}

bool is_pair(line_type type) {
    return type == line_type::coupled_microstrip || type == line_type::coupled_coated_microstrip ||
           type == line_type::coupled_stripline || type == line_type::broadside_stripline ||
           type == line_type::coupled_gcpw;
}

bool between_planes(line_type type) {
    return type == line_type::stripline || type == line_type::coupled_stripline ||
           type == line_type::broadside_stripline;
}

bool coplanar(line_type type) {
    return type == line_type::cpw || type == line_type::gcpw || type == line_type::coupled_gcpw;
}

bool masked(line_type type) {
    return type == line_type::coated_microstrip || type == line_type::coupled_coated_microstrip;
}

// A conductor of base width w centred at x on the face at height y: a sheet for t = 0,
// else a trapezoid whose top is set back by etch on each side.
xs_conductor trace(double x, double w, double y, double t, double etch, int electrode) {
    double left = x - w / 2, right = x + w / 2;
    if (t == 0) return {{{left, y}, {right, y}}, electrode};
    return {{{left, y}, {right, y}, {right - etch, y + t}, {left + etch, y + t}}, electrode};
}

xs_dielectric layer(double left, double right, double bottom, double top, double epsilon_r,
                    double tan_delta) {
    return {{{left, bottom}, {right, bottom}, {right, top}, {left, top}}, epsilon_r, tan_delta};
}

// Where the line through p along d reaches the height y.
xs_point at_height(xs_point p, xs_point d, double y) {
    double s = (y - p.y) / d.y;
    return {p.x + s * d.x, y};
}

// The solder mask of thickness m over the face at height y from -reach to reach and
// over the traces standing on it (left to right, thickness t > 0, etched by e): the
// face's layer with a bump round each trace, its sides and top offset by m. Bumps
// closer than 2 m merge, as the mask fills the gap between them.
xs_dielectric conformal_mask(const std::vector<xs_conductor> &traces, double y, double t,
                             double etch, double m, double reach, double epsilon) {
    std::vector<xs_point> outline{{-reach, y}, {reach, y}, {reach, y + m}};
    double side = std::hypot(etch, t);
    // Per bump, right to left: where the right side's offset meets the layer's top, the
    // right top corner, the left top corner, the left side's foot.
    struct bump {
        xs_point foot_r, top_r, top_l, foot_l;
        xs_point inner_l_point, inner_l_dir; // the left side's offset line
        xs_point inner_r_point, inner_r_dir; // the right side's
    };
    std::vector<bump> bumps;
    for (auto it = traces.rbegin(); it != traces.rend(); ++it) {
        double left = it->outline[0].x, right = it->outline[1].x;
        xs_point dr{-etch / side, t / side}, nr{t / side, etch / side};
        xs_point dl{etch / side, t / side}, nl{-t / side, etch / side};
        xs_point pr{right + m * nr.x, y + m * nr.y}, pl{left + m * nl.x, y + m * nl.y};
        bumps.push_back({at_height(pr, dr, y + m), at_height(pr, dr, y + t + m),
                         at_height(pl, dl, y + t + m), at_height(pl, dl, y + m), pl, dl, pr, dr});
    }
    for (std::size_t k = 0; k < bumps.size(); ++k) {
        const bump &b = bumps[k];
        if (k == 0 || bumps[k - 1].foot_l.x > b.foot_r.x) {
            if (k > 0) outline.push_back(bumps[k - 1].foot_l);
            outline.push_back(b.foot_r);
            outline.push_back(b.top_r);
        } else {
            // The gap is filled: the previous bump's left side meets this one's right
            // side at q, above which the outline runs straight on.
            const bump &p = bumps[k - 1];
            double det = p.inner_l_dir.x * -b.inner_r_dir.y + b.inner_r_dir.x * p.inner_l_dir.y;
            double dx = b.inner_r_point.x - p.inner_l_point.x,
                   dy = b.inner_r_point.y - p.inner_l_point.y;
            double s = det != 0 ? (dx * -b.inner_r_dir.y + b.inner_r_dir.x * dy) / det : INFINITY;
            xs_point q{p.inner_l_point.x + s * p.inner_l_dir.x,
                       p.inner_l_point.y + s * p.inner_l_dir.y};
            if (q.y < y + t + m) {
                outline.push_back(q);
                outline.push_back(b.top_r);
            }
        }
        outline.push_back(b.top_l);
    }
    outline.push_back(bumps.back().foot_l);
    outline.push_back({-reach, y + m});
    return {std::move(outline), epsilon};
}

// Refuses with a reason; false.
bool refuse(const calc_env &env, const wchar_t *reason) {
    env_error(env, reason);
    return false;
}

bool check_round(const calc_env &env, const line_geometry &g) {
    if (g.type == line_type::coax) {
        if (!positive(g.d_inner)) return refuse(env, L"--d-inner: the diameter must be > 0");
        if (!positive(g.d_outer) || !(g.d_outer > g.d_inner))
            return refuse(env, L"--d-outer: the shield must be wider than the inner conductor");
    } else {
        if (!positive(g.diameter)) return refuse(env, L"--diameter: the diameter must be > 0");
        if (!positive(g.pitch) || !(g.pitch > g.diameter))
            return refuse(env, L"--pitch: the wires overlap: the pitch must exceed the diameter");
    }
    if (!(g.epsilon_r >= 1) || !std::isfinite(g.epsilon_r))
        return refuse(env, L"--epsilon-r: a permittivity must be >= 1");
    return true;
}

// The coaxial line and the twin wire, in a homogeneous medium of epsilon_r.
bool round_section(const calc_env &env, const line_geometry &g, cross_section &out) {
    if (!check_round(env, g)) return false;
    cross_section xs{};
    xs.background_epsilon_r = g.epsilon_r;
    xs.background_tan_delta = g.tan_delta;
    xs.electrode_count = 1;
    if (g.type == line_type::coax) {
        xs.mirror_x = true;
        xs.rounds = {{{0, 0}, g.d_inner / 2, 0, false}, {{0, 0}, g.d_outer / 2, xs_ground, false}};
        xs.rounds[1].enclosing = true;
    } else {
        // The right wire against the left one as their common reference: the balanced,
        // charge-neutral drive of a line without ground.
        xs.rounds = {{{g.pitch / 2, 0}, g.diameter / 2, 0, false},
                     {{-g.pitch / 2, 0}, g.diameter / 2, xs_ground, false}};
    }
    out = std::move(xs);
    return true;
}

bool check(const calc_env &env, const line_geometry &g) {
    line_type type = g.type;
    if (!positive(g.w)) return refuse(env, L"--w: the trace width must be > 0");
    if (!positive(g.h)) return refuse(env, L"--h: the dielectric under the trace must be > 0");
    if (!(g.t >= 0) || !std::isfinite(g.t)) return refuse(env, L"--t: the thickness must be >= 0");
    if (!(g.etch >= 0) || !(g.etch < g.w / 2))
        return refuse(env, L"--etch: must lie from 0 to less than half the trace width");
    if (g.etch > 0 && g.t == 0) return refuse(env, L"--etch: a trace of zero thickness has no top");
    if (g.t > 0 && g.t < 1e-6 * g.h)
        return refuse(env, L"--t: too small to mesh: use 0 for flat traces");
    if (!(g.epsilon_r >= 1) || !std::isfinite(g.epsilon_r))
        return refuse(env, L"--epsilon-r: a permittivity must be >= 1");
    if (!(g.epsilon_r2 >= 1) || !std::isfinite(g.epsilon_r2))
        return refuse(env, L"--epsilon-r2: a permittivity must be >= 1");
    if (is_pair(type) && !positive(g.s)) return refuse(env, L"--s: the spacing must be > 0");
    if (coplanar(type)) {
        if (!positive(g.g)) return refuse(env, L"--g: the gap must be > 0");
        if (g.ground_width > 0 && !(g.etch < g.ground_width / 2))
            return refuse(env, L"--etch: must be less than half the ground width");
        if (!std::isfinite(g.ground_width))
            return refuse(env, L"--ground-width: must be finite or AUTO");
    }
    if (between_planes(type) && !positive(g.h2))
        return refuse(env, L"--h2: the dielectric above the trace must be > 0");
    if (type == line_type::embedded_microstrip && !(g.cover > g.t && std::isfinite(g.cover)))
        return refuse(env, L"--cover: the cover must be thicker than the trace (t)");
    if (masked(type)) {
        if (!positive(g.mask)) return refuse(env, L"--mask: the solder mask must be > 0");
        if (!(g.epsilon_mask >= 1) || !std::isfinite(g.epsilon_mask))
            return refuse(env, L"--epsilon-mask: a permittivity must be >= 1");
    }
    if (!(g.substrate_width >= 0) || !std::isfinite(g.substrate_width))
        return refuse(env, L"--substrate-width: must be > 0 or AUTO");
    return true;
}

// Lengths the panels can resolve together: none above a kilometre, none below a
// billionth of the largest (double precision leaves the panels of such a length no
// digits: it would mesh as nothing, or as a conductor that is not there).
bool check_scale(const calc_env &env, const line_geometry &g) {
    const std::pair<const wchar_t *, double> lengths[] = {{L"--w", g.w},
                                                          {L"--t", g.t},
                                                          {L"--etch", g.etch},
                                                          {L"--h", g.h},
                                                          {L"--s", g.s},
                                                          {L"--g", g.g},
                                                          {L"--ground-width", g.ground_width},
                                                          {L"--h2", g.h2},
                                                          {L"--cover", g.cover},
                                                          {L"--mask", g.mask},
                                                          {L"--substrate-width", g.substrate_width},
                                                          {L"--d-inner", g.d_inner},
                                                          {L"--d-outer", g.d_outer},
                                                          {L"--diameter", g.diameter},
                                                          {L"--pitch", g.pitch}};
    const std::pair<const wchar_t *, double> *largest = &lengths[0];
    for (const auto &l : lengths) {
        if (l.second > 1e3) {
            env_error(env, (std::wstring(l.first) + L": above a kilometre").c_str());
            return false;
        }
        if (l.second > largest->second) largest = &l;
    }
    for (const auto &l : lengths) {
        if (l.second > 0 && l.second < 1e-9 * largest->second) {
            env_error(env, (std::wstring(l.first) + L": too small against " + largest->first +
                            L" to mesh (below a billionth of it)")
                               .c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int line_signal_count(line_type type) {
    return is_pair(type) ? 2 : 1;
}

double line_auto_ground_width(const line_geometry &g) {
    double slot_edge = (line_signal_count(g.type) == 2 ? g.s / 2 + g.w : g.w / 2) + g.g;
    return 399 * slot_edge;
}

bool line_section(const calc_env &env, const line_geometry &g, cross_section &out) {
    if (g.type != line_type::two_strip && !check_scale(env, g)) return false;
    if (g.type == line_type::coax || g.type == line_type::twin_wire)
        return round_section(env, g, out);
    if (g.type == line_type::two_strip || !check(env, g)) {
        if (g.type == line_type::two_strip)
            env_error(env, L"The two-strip line has its own fields");
        return false;
    }
    line_type type = g.type;
    cross_section xs{};
    xs.mirror_x = true;
    xs.cut_under_corners = true;
    xs.electrode_count = line_signal_count(type);
    xs.mirror_pair = is_pair(type) && type != line_type::broadside_stripline;
    xs.ground_plane = type != line_type::cpw;
    std::vector<double> centres;
    if (xs.mirror_pair)
        centres = {-(g.s + g.w) / 2, (g.s + g.w) / 2};
    else
        centres = {0};
    double outer = centres.back() + g.w / 2;
    for (std::size_t k = 0; k < centres.size(); ++k)
        xs.conductors.push_back(trace(centres[k], g.w, g.h, g.t, g.etch, int(k)));
    if (type == line_type::broadside_stripline)
        xs.conductors.push_back(trace(0, g.w, g.h + g.t + g.s, g.t, g.etch, 1));
    if (coplanar(type)) {
        double gw = g.ground_width > 0 ? g.ground_width : line_auto_ground_width(g);
        double centre = outer + g.g + gw / 2;
        xs.conductors.push_back(trace(-centre, gw, g.h, g.t, g.etch, xs_ground));
        xs.conductors.push_back(trace(centre, gw, g.h, g.t, g.etch, xs_ground));
        outer += g.g + gw;
    }
    if (between_planes(type)) {
        double stack = type == line_type::broadside_stripline ? g.h + 2 * g.t + g.s : g.h + g.t;
        xs.upper_plane = true;
        xs.upper_height = stack + g.h2;
        double reach = g.substrate_width > 0 ? g.substrate_width / 2 : outer + 10 * xs.upper_height;
        // Below the upper traces' base, epsilon_r; above it, epsilon_r2 (the background).
        double split = type == line_type::broadside_stripline ? g.h + g.t + g.s : g.h;
        xs.background_epsilon_r = g.epsilon_r2;
        xs.background_tan_delta = g.tan_delta2;
        if (g.epsilon_r != g.epsilon_r2 || g.substrate_width > 0)
            xs.dielectrics.push_back(layer(-reach, reach, 0, split, g.epsilon_r, g.tan_delta));
        if (g.substrate_width > 0) {
            xs.background_epsilon_r = 1;
            xs.background_tan_delta = 0;
            xs.dielectrics.push_back(
                layer(-reach, reach, split, xs.upper_height, g.epsilon_r2, g.tan_delta2));
        }
    } else {
        double reach = g.substrate_width > 0 ? g.substrate_width / 2 : outer + 100 * g.h;
        if (masked(type) && g.t == 0) {
            xs.dielectrics.push_back(
                layer(-reach, reach, g.h, g.h + g.mask, g.epsilon_mask, g.tan_delta_mask));
        } else if (masked(type)) {
            std::vector<xs_conductor> traces(xs.conductors.begin(),
                                             xs.conductors.begin() + xs.electrode_count);
            xs.dielectrics.push_back(
                conformal_mask(traces, g.h, g.t, g.etch, g.mask, reach, g.epsilon_mask));
            xs.dielectrics.back().tan_delta = g.tan_delta_mask;
        }
        if (type == line_type::embedded_microstrip)
            xs.dielectrics.push_back(
                layer(-reach, reach, g.h, g.h + g.cover, g.epsilon_r2, g.tan_delta2));
        xs.dielectrics.push_back(layer(-reach, reach, 0, g.h, g.epsilon_r, g.tan_delta));
    }
    if (g.substrate_width > 0 && !(g.substrate_width / 2 > outer)) {
        env_error(env, L"--substrate-width: narrower than the conductors it holds");
        return false;
    }
    out = std::move(xs);
    return true;
}
