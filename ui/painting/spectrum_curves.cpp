// The losses window's curves taken from a line's spectrum.
#include "ui/painting/spectrum_curves.h"

#include "studies/spectrum_report.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The mode drawn: a pair's odd one at each frequency (the solve may find it second),
// else the slowest.
int drawn_mode(const line_spectrum &s, const spectrum_point &p) {
    return s.n == 2 ? spectrum_odd_mode(p) : 0;
}

double drawn_impedance(const line_spectrum &s, const spectrum_point &p) {
    double z = s.n == 2 ? std::abs(p.zdiff) : std::abs(p.zc[0]);
    return std::isfinite(z) ? z : NAN;
}

} // namespace

spectrum_curves spectrum_curves_of(const line_spectrum &s, length_unit unit) {
    spectrum_curves c;
    c.mode = s.n == 1 ? "" : s.n == 2 ? "odd (differential) mode" : "mode 1";
    c.impedance = s.n == 1 ? "|Z0|" : s.n == 2 ? "|Zdiff|" : "|Zc11|";
    bool inches = unit == length_unit::mil || unit == length_unit::inch;
    c.loss_unit = inches ? "dB/in" : "dB/m";
    double per_metre = inches ? 0.0254 : 1.0;
    double highest = 0;
    for (const spectrum_point &p : s.points)
        highest = std::max(highest, p.f);
    const std::pair<double, const char *> units[] = {{1e9, "GHz"}, {1e6, "MHz"}, {1e3, "kHz"}};
    c.frequency_unit = "Hz";
    for (const auto &[hz, name] : units) {
        if (highest < hz) continue;
        c.hz_per_unit = hz;
        c.frequency_unit = name;
        break;
    }
    for (const spectrum_point &p : s.points) {
        if (!(p.f > 0)) continue;
        mode_figures m = spectrum_mode_figures(p, drawn_mode(s, p));
        c.f.push_back(p.f / c.hz_per_unit);
        c.total.push_back(m.alpha_db * per_metre);
        c.conductors.push_back(m.alpha_conductor_db * per_metre);
        c.dielectric.push_back(m.alpha_dielectric_db * per_metre);
        c.z.push_back(drawn_impedance(s, p));
    }
    return c;
}
