// The graded grid both finite-volume references build on: distances graded towards a
// singular point, and the grid lines of one axis through every key coordinate.
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

// Grid lines along one axis from `lo` to `hi` through every coordinate of the sorted
// `keys` (which may hold the ends), graded towards each of them: towards the nearer one
// within a segment between two, and away from the outermost ones towards the ends.
inline std::vector<double> fd_axis(const std::vector<double> &keys, double lo, double hi,
                                   double smallest, int m, int level) {
    std::vector<double> out;
    if (lo < keys.front()) {
        const auto r = fd_graded(keys.front() - lo, smallest, m, level);
        for (size_t i = r.size(); i-- > 1;)
            out.push_back(keys.front() - r[i]);
    }
    out.push_back(keys.front());
    for (size_t k = 0; k + 1 < keys.size(); ++k) {
        const double a = keys[k], b = keys[k + 1];
        const auto half = fd_graded((b - a) / 2, smallest, m, level);
        for (size_t i = 1; i < half.size(); ++i)
            out.push_back(a + half[i]);
        for (size_t i = half.size() - 1; i-- > 0;)
            out.push_back(b - half[i]);
    }
    if (hi > keys.back())
        for (double r : fd_graded(hi - keys.back(), smallest, m, level))
            if (r > 0) out.push_back(keys.back() + r);
    return out;
}
