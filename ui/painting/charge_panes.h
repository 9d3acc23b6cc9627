// The accurate variant's charge chart: the free charge density along each conductor's
// outline (one pane) and along the ground plane (a second pane, when there is one), as
// curves on labelled axes in the window's length unit. The densities at a conductor's
// corners are singular and would flatten everything else: each pane's scale reaches
// twice the density that nine tenths of its boundary stays below, and the points beyond
// are drawn at its edge, marked as clipped.
#pragma once

#include "core/base/charge_profile.h"
#include "studies/plot_axis.h"

#include <string>
#include <vector>

struct charge_curve {
    int conductor;         // its conductor, or -1 for the ground plane
    std::vector<double> x; // position, in the display unit
    std::vector<double> y; // free charge density, nC/m^2 per volt between the conductors
    std::vector<bool> clipped;
};

struct charge_pane {
    std::string title;
    std::string x_label, y_label;
    plot_axis x, y;
    std::vector<charge_curve> curves;
};

// The panes of a profile that is not flat (conductors round their outlines, then the
// plane's samples). mm_per_unit: the display unit in millimetres; unit: its label.
std::vector<charge_pane> charge_panes(const charge_profile &profile, double mm_per_unit,
                                      const std::string &unit);
