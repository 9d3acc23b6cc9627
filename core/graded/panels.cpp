// From polygons to graded panels: split, merge, classify, grade.
#include "core/graded/panels.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace {

// The panel size grows by this fraction of the distance to the nearer segment end, and
// is this fraction of the end's feature size (times the growth) at the end itself.
constexpr double growth = 0.3;
constexpr double end_fraction = 0.005;

struct medium {
    bool conductor; // a strip's interior or the ground plane
    bool ground;
    double eps;
};

using point_key = std::pair<double, double>;

point_key key(xs_point p) {
    return {p.x, p.y};
}

struct segment {
    xs_point a, b;
    bool sheet;    // on a conductor of zero thickness
    int electrode; // that sheet's
};

medium medium_at(const cross_section &section, xs_point p) {
    if (section.ground_plane && p.y < 0) return {true, true, 1.0};
    if (section.upper_plane && p.y > section.upper_height) return {true, true, 1.0};
    for (const xs_conductor &c : section.conductors) {
        if (c.outline.size() > 2 && xs_inside(c.outline, p)) return {true, false, 1.0};
    }
    for (const xs_round &r : section.rounds) {
        double d = std::hypot(p.x - r.centre.x, p.y - r.centre.y);
        if (r.enclosing ? d > r.radius : d < r.radius) return {true, false, 1.0};
    }
    return {false, false, xs_permittivity_at(section, p)};
}

using scale_map = env_map<point_key, double>;

// Every edge of every polygon, split at the corners of the others that lie on it, with
// each piece kept once (conductors first, so that their pieces keep their orientation).
// With cut_under_corners, an edge is also split under each conductor corner closer to
// it than a quarter of its length, and near records that corner's distance at the cut:
// the field varies on that scale there, however far the edge's own ends are.
env_vector<segment> boundary_segments(const calc_env &env, const cross_section &section,
                                      scale_map &near) {
    env_vector<segment> edges{env_allocator<segment>(env)};
    env_vector<xs_point> corners{env_allocator<xs_point>(env)};
    std::size_t conductor_corners = 0;
    auto add_polygon = [&](const std::vector<xs_point> &outline, int electrode) {
        std::size_t n = outline.size();
        std::size_t count = n == 2 ? 1 : n;
        for (std::size_t i = 0; i < count; ++i)
            edges.push_back({outline[i], outline[(i + 1) % n], n == 2, electrode});
        corners.insert(corners.end(), outline.begin(), outline.end());
    };
    for (const xs_conductor &c : section.conductors)
        add_polygon(c.outline, c.electrode);
    conductor_corners = corners.size();
    for (const xs_dielectric &d : section.dielectrics)
        add_polygon(d.outline, -1);

    env_vector<segment> pieces{env_allocator<segment>(env)};
    env_map<std::pair<point_key, point_key>, std::size_t> seen{
        env_allocator<std::pair<const std::pair<point_key, point_key>, std::size_t>>(env)};
    for (const segment &edge : edges) {
        double dx = edge.b.x - edge.a.x, dy = edge.b.y - edge.a.y;
        double length2 = dx * dx + dy * dy;
        // The cuts keep the corners' own coordinates, so that the pieces of two polygons
        // sharing an edge meet in identical points.
        env_vector<std::pair<double, xs_point>> cuts{
            env_allocator<std::pair<double, xs_point>>(env)};
        cuts.push_back({0.0, edge.a});
        cuts.push_back({1.0, edge.b});
        for (xs_point c : corners) {
            double cross = (c.x - edge.a.x) * dy - (c.y - edge.a.y) * dx;
            double along = ((c.x - edge.a.x) * dx + (c.y - edge.a.y) * dy) / length2;
            if (std::fabs(cross) <= 1e-12 * length2 && along > 0 && along < 1)
                cuts.push_back({along, c});
        }
        for (std::size_t k = 0; section.cut_under_corners && k < conductor_corners; ++k) {
            xs_point c = corners[k];
            double cross = (c.x - edge.a.x) * dy - (c.y - edge.a.y) * dx;
            double along = ((c.x - edge.a.x) * dx + (c.y - edge.a.y) * dy) / length2;
            double distance = std::fabs(cross) / std::sqrt(length2);
            if (std::fabs(cross) <= 1e-12 * length2 || !(along > 0 && along < 1) ||
                distance > 0.25 * std::sqrt(length2))
                continue;
            // On an axis-parallel edge the foot takes the corner's own coordinate, so
            // that it meets the cuts of the corners above it exactly.
            xs_point foot = dy == 0   ? xs_point{c.x, edge.a.y}
                            : dx == 0 ? xs_point{edge.a.x, c.y}
                                      : xs_point{edge.a.x + along * dx, edge.a.y + along * dy};
            if (std::any_of(corners.begin(), corners.end(),
                            [&foot](xs_point p) { return key(p) == key(foot); }))
                continue;
            cuts.push_back({along, foot});
            auto [at, fresh] = near.emplace(key(foot), distance);
            if (!fresh) at->second = std::min(at->second, distance);
        }
        std::sort(cuts.begin(), cuts.end(),
                  [](const auto &x, const auto &y) { return x.first < y.first; });
        xs_point from = edge.a;
        for (std::size_t k = 1; k < cuts.size(); ++k) {
            xs_point to = cuts[k].second;
            if (key(to) == key(from)) continue;
            point_key u = key(from), v = key(to);
            auto [at, fresh] =
                seen.emplace(u < v ? std::make_pair(u, v) : std::make_pair(v, u), pieces.size());
            if (fresh) {
                pieces.push_back({from, to, edge.sheet, edge.electrode});
            } else if (edge.sheet) {
                pieces[at->second].sheet = true;
                pieces[at->second].electrode = edge.electrode;
            }
            from = to;
        }
    }
    return pieces;
}

// A classified boundary segment: its panels' common record and its two ends' feature sizes.
struct classified {
    panel_t proto;
    double end_size_a = 0, end_size_b = 0;
    bool corner_a = false, corner_b = false; // a general section's singular end
    bool chord = false;                      // of a round conductor: one panel, no grading
};

// Chords a round conductor gets at density 1; a multiple of four, so that no chord
// straddles the mirror plane.
constexpr int round_chords = 32;

// The round conductors' chords, counter-clockwise from angle 0: the normal points out
// of a wire and into a shield's hole, towards the medium the chord touches.
void add_chords(const cross_section &section, double density, env_vector<classified> &kept) {
    for (const xs_round &r : section.rounds) {
        int n = 4 * int(std::ceil(round_chords * density / 4 - 1e-9));
        double eps = xs_permittivity_at(
            section, {r.centre.x + (r.enclosing ? 0.999 : 1.001) * r.radius, r.centre.y});
        // The corners on the vertical through the centre lie exactly on it.
        auto corner = [&](int k) {
            double u = 6.283185307179586 * (k % n) / n;
            double x = 4 * (k % n) == n || 4 * (k % n) == 3 * n ? 0.0 : r.radius * std::cos(u);
            return xs_point{r.centre.x + x, r.centre.y + r.radius * std::sin(u)};
        };
        for (int k = 0; k < n; ++k) {
            xs_point a = corner(k), b = corner(k + 1);
            double length = std::hypot(b.x - a.x, b.y - a.y);
            xs_point left{-(b.y - a.y) / length, (b.x - a.x) / length};
            xs_point normal = r.enclosing ? left : xs_point{-left.x, -left.y};
            panel_t proto{a,           b,      {(a.x + b.x) / 2, (a.y + b.y) / 2},
                          length,      normal, panel_kind::conductor,
                          r.electrode, eps,    eps};
            classified c{proto};
            c.chord = true;
            kept.push_back(c);
        }
    }
}

env_vector<classified> classify(const calc_env &env, const cross_section &section, double density) {
    env_vector<classified> kept{env_allocator<classified>(env)};
    scale_map near{env_allocator<std::pair<const point_key, double>>(env)};
    for (const segment &s : boundary_segments(env, section, near)) {
        double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
        double length = std::hypot(dx, dy);
        if (!(length > 0)) continue;
        xs_point left{-dy / length, dx / length};
        xs_point mid{(s.a.x + s.b.x) / 2, (s.a.y + s.b.y) / 2};
        double probe = 1e-6 * length;
        medium l = medium_at(section, {mid.x + probe * left.x, mid.y + probe * left.y});
        medium r = medium_at(section, {mid.x - probe * left.x, mid.y - probe * left.y});
        panel_t proto{s.a, s.b, mid, length, left, panel_kind::interface, -1, l.eps, r.eps};
        // A boundary on a plane or inside conductors needs no panel: the plane's Green's
        // function accounts for it.
        if (l.ground || r.ground || (l.conductor && r.conductor)) continue;
        if (s.sheet) {
            if (l.conductor || r.conductor) continue;
            proto.kind = panel_kind::sheet;
            proto.electrode = s.electrode;
        } else if (l.conductor || r.conductor) {
            // Which conductor: the one whose interior the probe found.
            xs_point in = l.conductor ? xs_point{mid.x + probe * left.x, mid.y + probe * left.y}
                                      : xs_point{mid.x - probe * left.x, mid.y - probe * left.y};
            for (const xs_conductor &c : section.conductors) {
                if (c.outline.size() > 2 && xs_inside(c.outline, in)) proto.electrode = c.electrode;
            }
            proto.kind = panel_kind::conductor;
            if (l.conductor) {
                proto.normal = {-left.x, -left.y};
                proto.eps_front = proto.eps_back = r.eps;
            } else {
                proto.eps_back = l.eps;
            }
        } else if (l.eps == r.eps) {
            continue;
        }
        kept.push_back({proto});
    }
    add_chords(section, density, kept);
    // Each end's feature size: the shortest kept segment meeting there.
    env_map<point_key, double> feature{env_allocator<std::pair<const point_key, double>>(env)};
    auto note = [&feature](xs_point p, double length) {
        auto [at, fresh] = feature.emplace(key(p), length);
        if (!fresh) at->second = std::min(at->second, length);
    };
    for (const classified &c : kept) {
        note(c.proto.a, c.proto.length);
        note(c.proto.b, c.proto.length);
    }
    // Under a conductor corner the field is smooth on the scale of its distance: half of
    // it is the end size there, unless a corner of the edge itself sits at the point.
    // Far from the signal conductors (the ends of layers that run on, the far edges of
    // wide grounds) a corner's singular charge is negligible: its end size grows as the
    // cube of its distance in units of the signal conductors' extent. The field there
    // falls at least as a dipole's, as the inverse square of the distance, and the
    // error of an end panel goes as that amplitude times its size to the power 1 - a
    // for a charge density r^-a, so at a conductor corner (a from a third to a half) a
    // remote end panel errs no more than a near one; a dielectric corner's milder
    // singularity carries less. Measured on the coated pair: a sixth fewer panels,
    // figures unchanged within 1e-8 at density 8.
    xs_point low{INFINITY, INFINITY}, high{-INFINITY, -INFINITY};
    for (const classified &c : kept) {
        if (c.proto.kind == panel_kind::interface || c.proto.electrode == xs_ground) continue;
        for (xs_point p : {c.proto.a, c.proto.b}) {
            low = {std::min(low.x, p.x), std::min(low.y, p.y)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y)};
        }
    }
    double extent = std::hypot(high.x - low.x, high.y - low.y);
    auto remoteness = [&](xs_point p) {
        if (!section.cut_under_corners || !(extent > 0)) return 1.0;
        double dx = std::max({low.x - p.x, p.x - high.x, 0.0});
        double dy = std::max({low.y - p.y, p.y - high.y, 0.0});
        double distance = std::max(1.0, std::hypot(dx, dy) / extent);
        return distance * distance * distance;
    };
    auto end_size = [&](xs_point p) {
        double size = end_fraction * feature[key(p)] * remoteness(p);
        auto under = near.find(key(p));
        return under == near.end() ? size : std::max(size, 0.5 * under->second);
    };
    for (classified &c : kept) {
        c.end_size_a = end_size(c.proto.a);
        c.end_size_b = end_size(c.proto.b);
        c.corner_a = section.cut_under_corners && near.find(key(c.proto.a)) == near.end();
        c.corner_b = section.cut_under_corners && near.find(key(c.proto.b)) == near.end();
    }
    std::stable_sort(kept.begin(), kept.end(), [](const classified &x, const classified &y) {
        // Signal conductors in their order, then the ground conductors, then interfaces.
        auto rank = [](const classified &c) {
            return c.proto.kind == panel_kind::interface ? 1 << 20
                   : c.proto.electrode == xs_ground      ? 1 << 19
                                                         : c.proto.electrode;
        };
        return rank(x) < rank(y);
    });
    return kept;
}

// The grading of one segment at a density: panel size min(g (x + fa), g (L - x + fb)) / density
// for the distance x from end a, where the end sizes fa, fb shrink with the density as
// well, so that the panel at a singular end shrinks faster than the others. With
// piecewise-constant charge the end panel's error goes as its size to the power 1 - a
// for a charge density r^-a at the end. The two-strip line's layout shrinks its end
// sizes as 1 / density (the end panel as 1 / density^2), enough for its strips. A
// general section's corners, where a thick conductor may meet a dielectric (a up to
// about a third), shrink as 1 / density^2 above density 1, so that their end panels'
// error, as density^-3(1 - a), falls no slower than the second order of the rest: a
// thick microstrip's observed order went from 1.8 down to 1.4 by density 32 with the
// first, and stays at 1.9 with the second. Below density 1 they keep 1 / density, as
// coarser corners there put the first solve of a study out of step with the rest. The
// cut under a conductor corner is no singular point: it keeps 1 / density. phi(x) is the integral
// of 1 / size, the number of panels between a and x; the branches meet at xc, which lies on
// the segment: a remote end's size may exceed the whole segment (the far end of a wide
// ground), and the other branch then grades all of it (unclamped, the panels ran past the
// segment's end, a conductor face laid out where there is none).
struct grading {
    double length, fa, fb, xc, slope, phi_c, phi_total;

    bool even; // a segment across the mirror plane: no panel may straddle it

    grading(const classified &c, double density, bool mirror_x)
        : length(c.proto.length),
          fa(c.end_size_a / (c.corner_a ? density * std::max(density, 1.0) : density)),
          fb(c.end_size_b / (c.corner_b ? density * std::max(density, 1.0) : density)),
          xc(std::clamp((length + fb - fa) / 2, 0.0, length)), slope(growth / density),
          phi_c(std::log((xc + fa) / fa) / slope),
          phi_total(phi_c + std::log((length - xc + fb) / fb) / slope),
          even(mirror_x && (c.proto.a.x < 0) != (c.proto.b.x < 0) && c.proto.a.x != 0 &&
               c.proto.b.x != 0),
          chord(c.chord) {}

    bool chord;

    std::int32_t panels() const {
        if (chord) return 1;
        double n = std::ceil(phi_total - 1e-9);
        if (even) n = 2 * std::ceil(n / 2);
        return n < 1 ? 1 : n > 1e9 ? std::int32_t(1e9) : std::int32_t(n);
    }

    // Panels of the segment that are kept: all, or those right of the mirror plane.
    std::int32_t kept(bool mirror_x, const panel_t &proto) const {
        std::int32_t n = panels();
        if (!mirror_x) return n;
        if (even) return n / 2;
        return proto.a.x + proto.b.x > 0 ? n : 0;
    }

    // The distance from end a at which phi reaches the given value.
    double position(double phi) const {
        if (phi <= phi_c) return fa * (std::exp(slope * phi) - 1);
        return length + fb - (length - xc + fb) * std::exp(-slope * (phi - phi_c));
    }
};

} // namespace

namespace {

// The count, with the allocation failures of the classification thrown through.
std::int32_t count_panels(const calc_env &env, const cross_section &section, double density) {
    long long total = 0;
    bool conductor = false;
    for (const classified &c : classify(env, section, density)) {
        total += grading(c, density, section.mirror_x).kept(section.mirror_x, c.proto);
        conductor = conductor || c.proto.kind != panel_kind::interface;
    }
    if (!conductor) {
        env_error(env, L"The cross-section has no conductor to solve for");
        return 0;
    }
    return total > 2000000000LL ? 2000000000 : std::int32_t(total);
}

// Lays the panels of every classified segment into set; false after reporting when a
// segment cannot be graded at this density.
bool lay_panels(const calc_env &env, const cross_section &section, double density, panel_set &set) {
    for (const classified &c : classify(env, section, density)) {
        grading g(c, density, section.mirror_x);
        if (!(g.fa > 0 && g.fb > 0 && g.phi_total > 0 && g.phi_total < 2e9)) {
            env_error(env, L"The geometry cannot be meshed at this step");
            return false;
        }
        std::int32_t n = g.panels();
        std::int32_t kept = 0;
        const panel_t &proto = c.proto;
        xs_point from = proto.a;
        for (std::int32_t k = 1; k <= n; ++k) {
            double f = k == n ? 1.0 : g.position(k * g.phi_total / n) / g.length;
            xs_point to = k == n ? proto.b
                                 : xs_point{proto.a.x + f * (proto.b.x - proto.a.x),
                                            proto.a.y + f * (proto.b.y - proto.a.y)};
            panel_t p = proto;
            p.a = from;
            p.b = to;
            p.centre = {(from.x + to.x) / 2, (from.y + to.y) / 2};
            p.length = std::hypot(to.x - from.x, to.y - from.y);
            if (!(p.length > 0)) {
                env_error(env, L"The geometry cannot be meshed at this step: a panel vanishes");
                return false;
            }
            if (!section.mirror_x || p.centre.x > 0) {
                set.panels.push_back(p);
                ++kept;
            }
            from = to;
        }
        if (proto.kind != panel_kind::interface) set.conductor_count += kept;
    }
    return true;
}

void no_memory(const calc_env &env) {
    env_error(env, L"Not enough memory for the panels");
}

} // namespace

std::int32_t panels_count(const calc_env &env, const cross_section &section, double density) {
    try {
        return count_panels(env, section, density);
    } catch (const std::bad_alloc &) {
        no_memory(env);
        return 0;
    }
}

void panels_free(panel_set *set) {
    if (!set) return;
    set->~panel_set();
    core_release(set);
}

panel_set *panels_new(const calc_env &env, const cross_section &section, double density,
                      std::int32_t max_panels) {
    std::int32_t count = panels_count(env, section, density);
    if (count == 0) return nullptr;
    if (count > max_panels) {
        env_error(env, L"The panel layout exceeds the size that can be solved");
        return nullptr;
    }
    void *block = core_alloc(env, sizeof(panel_set));
    if (!block) {
        no_memory(env);
        return nullptr;
    }
    panels_ptr set(new (block) panel_set(env));
    try {
        set->panels.reserve(std::size_t(count));
        set->electrode_count = section.electrode_count;
        set->ground_plane = section.ground_plane;
        set->mirror_x = section.mirror_x;
        set->mirror_pair = section.mirror_x && section.mirror_pair;
        set->upper_plane = section.upper_plane;
        set->upper_height = section.upper_height;
        if (!lay_panels(env, section, density, *set)) return nullptr;
        set->ground_conductors =
            std::any_of(set->panels.begin(), set->panels.end(), [](const panel_t &p) {
                return p.kind != panel_kind::interface && p.electrode == xs_ground;
            });
    } catch (const std::bad_alloc &) {
        no_memory(env);
        return nullptr;
    }
    return set.release();
}
