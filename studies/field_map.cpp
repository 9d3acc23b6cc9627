// One drive solved on the whole section at a coarse panel density, then its potential
// at the grid points that lie off the conductors and planes.
#include "studies/field_map.h"

#include "core/graded/line_field.h"
#include "studies/failure_reason.h"

#include <algorithm>
#include <cmath>

namespace {

// The panel density of the field's solve: a drawing needs the charges' shape, not the
// last digit of the impedance.
constexpr double field_density = 1.0;

bool in_metal(const cross_section &s, xs_point p) {
    if (s.ground_plane && p.y <= 0) return true;
    if (s.upper_plane && p.y >= s.upper_height) return true;
    for (const xs_conductor &c : s.conductors) {
        if (c.outline.size() > 2 && xs_inside(c.outline, p)) return true;
    }
    for (const xs_round &r : s.rounds) {
        double d = std::hypot(p.x - r.centre.x, p.y - r.centre.y);
        if (r.enclosing ? d >= r.radius : d <= r.radius) return true;
    }
    return false;
}

} // namespace

bool field_map_compute(const calc_env &env, const cross_section &section, double left,
                       double bottom, double right, double top, const std::vector<double> &volts,
                       int points, field_map &out, std::wstring &why) {
    failure_reason reason;
    // The field's arrays are bound to the environment they were made with: one that
    // lives as long as they do.
    calc_env quiet = reason.quiet(env);
    line_field field(quiet);
    if (!line_field_solve(quiet, section, field_density, volts, field)) {
        why = reason.last;
        return false;
    }
    double w = right - left, h = top - bottom;
    if (!(w > 0 && h > 0)) {
        why = L"The window of the field is empty";
        return false;
    }
    out = field_map{};
    out.left = left;
    out.bottom = bottom;
    out.right = right;
    out.top = top;
    double cell = std::sqrt(w * h / std::max(points, 100));
    out.nx = std::max(2, int(std::ceil(w / cell)) + 1);
    out.ny = std::max(2, int(std::ceil(h / cell)) + 1);
    std::vector<xs_point> grid;
    std::vector<std::size_t> open;
    for (int j = 0; j < out.ny; ++j) {
        for (int i = 0; i < out.nx; ++i) {
            xs_point p{left + w * i / (out.nx - 1), bottom + h * j / (out.ny - 1)};
            if (in_metal(section, p)) continue;
            open.push_back(std::size_t(j) * std::size_t(out.nx) + std::size_t(i));
            grid.push_back(p);
        }
    }
    std::vector<double> values(grid.size());
    if (!line_field_potentials(quiet, field, grid, values.data())) return false;
    out.potential.assign(std::size_t(out.nx) * std::size_t(out.ny), NAN);
    for (std::size_t k = 0; k < open.size(); ++k)
        out.potential[open[k]] = values[k];
    for (std::size_t j = 0; j < field.set->panels.size(); ++j) {
        const panel_t &p = field.set->panels[j];
        if (p.kind == panel_kind::conductor)
            out.charges.push_back({p.a, p.b, p.normal, field.free_density[j]});
    }
    return true;
}
