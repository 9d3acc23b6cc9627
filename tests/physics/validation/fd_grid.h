// The graded grid both finite-volume references build on.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

// Distances from a singular point at 0 out to `length`, in increasing order from 0: cells
// in geometric progression down to about `smallest`, then one cell reaching the point. The
// growth per cell is 4^(1 / (m 2^level)): each finer level splits every graded cell of the
// one before in two and quarters the innermost cell, so that every cell's size against its
// distance from the point halves per level and the error of the innermost cell (which
// goes as its size) quarters, both falling as the square of the refinement.
inline std::vector<double> fd_graded(double length, double smallest, int m, int level) {
    const int steps = m << level; // cells per factor of 4 in distance
    const double span = std::max(std::log(length / smallest), 0.0);
    const int coarse = static_cast<int>(std::ceil(span * m / std::log(4.0)));
    const int n = (coarse + m * level) << level;
    std::vector<double> r{0};
    for (int i = n; i >= 0; --i)
        r.push_back(length * std::pow(4.0, -static_cast<double>(i) / steps));
    return r;
}
