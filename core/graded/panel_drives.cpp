// Each signal electrode at 1 V, and the common potential of an open section.
#include "core/graded/panel_drives.h"

#include <cmath>

bool panel_drives_solve(const panel_set &set, const lu_system *lu, std::span<const double> f,
                        std::vector<double> &x) {
    std::int32_t n = lu->n;
    int signals = set.electrode_count;
    x.assign(std::size_t(signals + 1) * std::size_t(n), 0.0);
    for (std::int32_t i = 0; i < set.conductor_count; ++i) {
        int k = set.panels[std::size_t(i)].electrode;
        if (k >= 0) x[std::size_t(k) * std::size_t(n) + std::size_t(i)] = 1;
        x[std::size_t(signals) * std::size_t(n) + std::size_t(i)] = 1;
    }
    if (lu_solve(lu, false, x.data(), signals + 1) != 0) return false;
    auto net = [&](int drive) {
        double q = 0;
        for (std::size_t j = 0; j < f.size(); ++j)
            q += f[j] * x[std::size_t(drive) * std::size_t(n) + j % std::size_t(n)];
        return q;
    };
    double common = net(signals), scale = 0;
    for (int k = 0; k < signals; ++k)
        for (std::size_t j = 0; j < std::size_t(n); ++j)
            scale = std::max(scale, std::fabs(x[std::size_t(k) * std::size_t(n) + j]));
    bool open = !set.ground_plane && !set.upper_plane && std::fabs(common) > 1e-9 * scale;
    for (int k = 0; k < signals && open; ++k) {
        double shift = -net(k) / common;
        for (std::int32_t j = 0; j < n; ++j)
            x[std::size_t(k) * std::size_t(n) + std::size_t(j)] +=
                shift * x[std::size_t(signals) * std::size_t(n) + std::size_t(j)];
    }
    x.resize(std::size_t(signals) * std::size_t(n));
    return true;
}
