// Chart geometry. All truncations are toward zero; a coordinate beyond the int range
// (a huge window or a tiny extent) is clamped before the conversion.
#include "ui/painting/charge_chart.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

int truncate(double value) {
    constexpr double low = std::numeric_limits<int>::min();
    constexpr double high = std::numeric_limits<int>::max() - 1; // room for the +1 edges
    if (std::isnan(value)) return 0;
    return static_cast<int>(std::clamp(value, low, high));
}

} // namespace

std::vector<chart_bar> chart_bars(int width, int height, const plot_request &request) {
    const mesh_t &mesh = *request.mesh;
    const double *q = request.free_charge->data;
    std::vector<chart_bar> bars;
    if (mesh.cell_count <= 0) return bars;

    double min_x = mesh.cells[0].center;
    double max_x = min_x;
    double q_min = q[0];
    double q_max = q[0];
    for (std::int32_t i = 0; i < mesh.cell_count; ++i) {
        const cell_t &cell = mesh.cells[i];
        max_x = std::max(max_x, cell.center + cell.half_width);
        min_x = std::min(min_x, cell.center - cell.half_width);
        q_max = std::max(q_max, q[i]);
        q_min = std::min(q_min, q[i]);
    }
    double sx = width / (max_x - min_x);
    double mid = min_x + (max_x - min_x) * 0.5;
    double ox = (width / 2) - mid * sx;
    double sy = height / (q_max - q_min);
    double y0 = q_max * sy;
    if (!std::isfinite(sx) || !std::isfinite(ox) || !std::isfinite(sy) || !std::isfinite(y0)) {
        return bars;
    }

    auto add = [&](std::int32_t begin, std::int32_t end, bar_colour colour) {
        for (std::int32_t j = begin; j < end; ++j) {
            const cell_t &cell = mesh.cells[j];
            bars.push_back({truncate((cell.center - cell.half_width) * sx + ox),
                            truncate(y0 - q[j] * sy),
                            truncate((cell.center + cell.half_width) * sx + ox) + 1,
                            truncate(y0) + 1, colour});
        }
    };
    add(mesh.strip1_begin, mesh.strip2_begin, bar_colour::red);
    add(mesh.strip2_begin, mesh.dielectric_begin, bar_colour::blue);
    return bars;
}
