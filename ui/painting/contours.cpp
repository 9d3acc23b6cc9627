// Marching squares: each cell's corners above or below the level, the crossings on its
// edges by linear interpolation, joined in pairs; a saddle is split by the cell's mean.
#include "ui/painting/contours.h"

#include <cmath>

namespace {

struct crossing {
    double x, y;
};

} // namespace

std::vector<std::vector<contour_segment>> contour_lines(std::span<const double> values, int nx,
                                                        int ny, std::span<const double> levels) {
    std::vector<std::vector<contour_segment>> lines(levels.size());
    auto at = [&](int i, int j) {
        return values[std::size_t(j) * std::size_t(nx) + std::size_t(i)];
    };
    for (std::size_t l = 0; l < levels.size(); ++l) {
        double level = levels[l];
        for (int j = 0; j + 1 < ny; ++j) {
            for (int i = 0; i + 1 < nx; ++i) {
                // Corners counter-clockwise from (i, j); edges k from corner k to k + 1.
                const int cx[4] = {i, i + 1, i + 1, i}, cy[4] = {j, j, j + 1, j + 1};
                double v[4];
                bool finite = true;
                for (int k = 0; k < 4; ++k) {
                    v[k] = at(cx[k], cy[k]);
                    finite = finite && std::isfinite(v[k]);
                }
                if (!finite) continue;
                crossing found[4];
                int count = 0;
                for (int k = 0; k < 4; ++k) {
                    double a = v[k] - level, b = v[(k + 1) % 4] - level;
                    if ((a < 0) == (b < 0)) continue;
                    double t = a / (a - b);
                    found[count++] = {cx[k] + t * (cx[(k + 1) % 4] - cx[k]),
                                      cy[k] + t * (cy[(k + 1) % 4] - cy[k])};
                }
                if (count == 2) {
                    lines[l].push_back({found[0].x, found[0].y, found[1].x, found[1].y});
                } else if (count == 4) {
                    // A saddle: the mean decides which diagonal the centre joins; the
                    // segments cut off the two corners of the other one.
                    bool centre_above = (v[0] + v[1] + v[2] + v[3]) / 4 >= level;
                    bool first_above = v[0] >= level;
                    int pair = centre_above == first_above ? 0 : 1;
                    lines[l].push_back({found[pair].x, found[pair].y, found[(pair + 1) % 4].x,
                                        found[(pair + 1) % 4].y});
                    lines[l].push_back({found[(pair + 2) % 4].x, found[(pair + 2) % 4].y,
                                        found[(pair + 3) % 4].x, found[(pair + 3) % 4].y});
                }
            }
        }
    }
    return lines;
}
