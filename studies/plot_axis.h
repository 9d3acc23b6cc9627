// Axes of the program's charts: a range with about five ticks at round values, 1, 2 or
// 5 times a power of ten apart, for the SVG charts and the desktop program's alike.
#pragma once

#include <vector>

struct plot_axis {
    double low, high, tick;
};

// The round tick spacing for a span, about a fifth of it. The span must be positive.
double plot_tick(double span);

// An axis over [low, high] widened to whole ticks (an empty range is widened first).
plot_axis plot_axis_over(double low, double high);

// The same over the finite values; [0, 1] when there are none.
plot_axis plot_axis_of(const std::vector<double> &values);
