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
    const charge_profile &charges = *request.charges;
    std::vector<chart_bar> bars;
    if (charges.count <= 0) return bars;

    const charge_cell *cells = charges.cells;
    double min_x = cells[0].x;
    double max_x = min_x;
    double q_min = cells[0].free_charge;
    double q_max = q_min;
    for (std::int32_t i = 0; i < charges.count; ++i) {
        const charge_cell &cell = cells[i];
        max_x = std::max(max_x, cell.x + cell.half_width);
        min_x = std::min(min_x, cell.x - cell.half_width);
        q_max = std::max(q_max, cell.free_charge);
        q_min = std::min(q_min, cell.free_charge);
    }
    double sx = width / (max_x - min_x);
    double mid = min_x + (max_x - min_x) * 0.5;
    double ox = (width / 2) - mid * sx;
    double sy = height / (q_max - q_min);
    double y0 = q_max * sy;
    if (!std::isfinite(sx) || !std::isfinite(ox) || !std::isfinite(sy) || !std::isfinite(y0)) {
        return bars;
    }

    // The top strip's cells, then the bottom strip's, each in the profile's order.
    for (int strip : {0, 1}) {
        for (std::int32_t j = 0; j < charges.count; ++j) {
            const charge_cell &cell = cells[j];
            if (cell.conductor != strip) continue;
            bars.push_back({truncate((cell.x - cell.half_width) * sx + ox),
                            truncate(y0 - cell.free_charge * sy),
                            truncate((cell.x + cell.half_width) * sx + ox) + 1, truncate(y0) + 1,
                            strip == 0 ? bar_colour::red : bar_colour::blue});
        }
    }
    return bars;
}
