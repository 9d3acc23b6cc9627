// Contour lines of a field sampled on a regular grid (marching squares): the segments
// where the linear interpolation between neighbouring samples crosses a level, in grid
// coordinates (column, row), one list per level.
#pragma once

#include <span>
#include <vector>

struct contour_segment {
    double x1, y1, x2, y2;
};

// values: nx * ny samples, row after row (row 0 first). A cell with a sample that is not
// finite has no segment. Cannot fail.
std::vector<std::vector<contour_segment>> contour_lines(std::span<const double> values, int nx,
                                                        int ny, std::span<const double> levels);
