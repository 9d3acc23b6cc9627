// Round axes.
#include "studies/plot_axis.h"

#include <algorithm>
#include <cmath>

double plot_tick(double span) {
    double raw = span / 5;
    double power = std::pow(10.0, std::floor(std::log10(raw)));
    return raw / power < 1.5   ? power
           : raw / power < 3.5 ? 2 * power
           : raw / power < 7.5 ? 5 * power
                               : 10 * power;
}

plot_axis plot_axis_over(double low, double high) {
    if (!(high > low)) {
        double pad = low == 0 ? 1 : std::fabs(low) * 0.01;
        low -= pad;
        high += pad;
    }
    double tick = plot_tick(high - low);
    return {std::floor(low / tick) * tick, std::ceil(high / tick) * tick, tick};
}

plot_axis plot_axis_of(const std::vector<double> &values) {
    double low = INFINITY, high = -INFINITY;
    for (double v : values) {
        if (std::isfinite(v)) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    if (!std::isfinite(low)) return {0, 1, 0.2};
    return plot_axis_over(low, high);
}
