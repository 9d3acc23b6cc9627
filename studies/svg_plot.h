// A small SVG chart of a sweep: Z0 and the effective permittivity against the swept
// field, one pane each, with labelled axes and ticks.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct plot_series {
    std::string x_label; // e.g. "w1 (mm)"
    std::vector<double> x;
    std::vector<double> z0; // NaN where the calculation failed
    std::vector<double> eps_eff;
};

// Writes the chart; false when writing failed.
bool write_svg_plot(std::FILE *file, const plot_series &series);
