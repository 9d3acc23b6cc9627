// The panes of the accurate variant's charge chart.
#include "ui/painting/charge_panes.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The density that the given share of the boundary's length stays below.
double length_quantile(const std::vector<std::pair<double, double>> &magnitude_length,
                       double share) {
    std::vector<std::pair<double, double>> sorted = magnitude_length;
    std::sort(sorted.begin(), sorted.end());
    double total = 0;
    for (const auto &[m, l] : sorted)
        total += l;
    double reached = 0;
    for (const auto &[m, l] : sorted) {
        reached += l;
        if (reached >= share * total) return m;
    }
    return sorted.empty() ? 0 : sorted.back().first;
}

// Fills the pane's curves from the cells of one kind and sets its axes.
charge_pane pane_of(const charge_profile &profile, charge_kind kind, double metres_to_unit) {
    charge_pane pane;
    std::vector<std::pair<double, double>> magnitudes;
    for (std::int32_t i = 0; i < profile.count; ++i) {
        const charge_cell &cell = profile.cells[i];
        if (cell.kind != kind) continue;
        int owner = kind == charge_kind::plane ? -1 : cell.conductor;
        if (pane.curves.empty() || pane.curves.back().conductor != owner)
            pane.curves.push_back({owner, {}, {}, {}});
        charge_curve &curve = pane.curves.back();
        curve.x.push_back(cell.along * metres_to_unit);
        curve.y.push_back(cell.free_charge * 1e9);
        magnitudes.push_back({std::fabs(cell.free_charge * 1e9), 2 * cell.half_width});
    }
    // Only a conductor's corners are singular; the plane's charge is smooth, and its
    // axis spans where it is at least a hundredth of its peak.
    bool plane = kind == charge_kind::plane;
    double bound = plane ? INFINITY : 2 * length_quantile(magnitudes, 0.9);
    double peak = length_quantile(magnitudes, 1.0);
    double low = INFINITY, high = -INFINITY, left = INFINITY, right = -INFINITY;
    for (charge_curve &curve : pane.curves) {
        for (std::size_t k = 0; k < curve.y.size(); ++k) {
            bool beyond = bound > 0 && std::fabs(curve.y[k]) > bound;
            curve.clipped.push_back(beyond);
            if (beyond) curve.y[k] = std::copysign(bound, curve.y[k]);
            low = std::min(low, curve.y[k]);
            high = std::max(high, curve.y[k]);
            if (plane && std::fabs(curve.y[k]) < 0.01 * peak) continue;
            left = std::min(left, curve.x[k]);
            right = std::max(right, curve.x[k]);
        }
    }
    pane.y = plot_axis_over(std::min(low, 0.0), std::max(high, 0.0));
    pane.x = plot_axis_over(left, right);
    return pane;
}

} // namespace

std::vector<charge_pane> charge_panes(const charge_profile &profile, double mm_per_unit,
                                      const std::string &unit) {
    double metres_to_unit = 1000 / mm_per_unit;
    std::vector<charge_pane> panes;
    const std::string density = "free charge density (nC/m\u00b2 per V)";
    charge_pane conductors = pane_of(profile, charge_kind::conductor, metres_to_unit);
    conductors.title = "Conductors, round their outlines";
    conductors.x_label = "position along the outline (" + unit + ")";
    conductors.y_label = density;
    panes.push_back(std::move(conductors));
    bool plane = std::any_of(profile.cells, profile.cells + profile.count,
                             [](const charge_cell &c) { return c.kind == charge_kind::plane; });
    if (plane) {
        charge_pane ground = pane_of(profile, charge_kind::plane, metres_to_unit);
        ground.title = "Ground plane";
        ground.x_label = "x (" + unit + ")";
        ground.y_label = density;
        panes.push_back(std::move(ground));
    }
    return panes;
}
