// The panel integrals: exact near the panel, a two-term expansion about its centre far
// from it.
#include "panel_integrals.h"

#include <cmath>

namespace {

// Beyond this many panel lengths from the centre the expansion's first neglected term,
// (L / r)^4 / 1920 relative, is below 1e-7 and the expansion replaces the closed form,
// at a fifth of its cost (one logarithm instead of two and an arctangent).
constexpr double far_lengths = 6.0;

// s ln r^2, with the limit 0 where the end itself is the point.
double s_log(double s, double log_r2) {
    return s == 0 ? 0.0 : s * log_r2;
}

// Taylor expansion in the position s along the panel about its centre, e = p - centre
// and u = e . tangent:
//   integral of ln |e - s t|      = L ln r + (L^3 / 24) (r^2 - 2 u^2) / r^4
//   integral of (e - s t)/|..|^2  = L e / r^2 - (L^3 / 24) (4 u t / r^4 + 2 e (r^2 - 4 u^2) / r^6)
panel_influence far_field(double ex, double ey, double tx, double ty, double length, double r2) {
    double u = ex * tx + ey * ty;
    double inv = 1 / r2;
    double l3 = length * length * length / 24;
    double potential = length * 0.5 * std::log(r2) + l3 * (r2 - 2 * u * u) * inv * inv;
    double along = 4 * u * inv * inv;
    double radial = length * inv - l3 * 2 * (r2 - 4 * u * u) * inv * inv * inv;
    return {potential, radial * ex - l3 * along * tx, radial * ey - l3 * along * ty};
}

} // namespace

panel_influence panel_integrals(xs_point a, xs_point b, xs_point p) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double length = std::sqrt(dx * dx + dy * dy);
    double tx = dx / length, ty = dy / length;
    double cx = p.x - (a.x + b.x) / 2, cy = p.y - (a.y + b.y) / 2;
    double rc2 = cx * cx + cy * cy;
    if (rc2 > far_lengths * far_lengths * length * length) {
        return far_field(cx, cy, tx, ty, length, rc2);
    }
    double ex = p.x - a.x, ey = p.y - a.y;
    double u = ex * tx + ey * ty;
    double v = ey * tx - ex * ty; // along the left normal (-ty, tx)
    double s1 = -u, s2 = length - u;
    double r1 = s1 * s1 + v * v, r2 = s2 * s2 + v * v;
    double log_r1 = r1 > 0 ? std::log(r1) : 0.0, log_r2 = r2 > 0 ? std::log(r2) : 0.0;
    // On the panel's line the subtended angle is 0 outside it and, as a principal value,
    // 0 inside it as well; the panel's own centre lands within rounding of the line.
    double theta = std::fabs(v) <= 1e-10 * length ? 0.0 : std::atan2(v * length, s1 * s2 + v * v);
    double potential = (s_log(s2, log_r2) - s_log(s1, log_r1)) / 2 - length + v * theta;
    double tangential = r1 > 0 && r2 > 0 ? (log_r1 - log_r2) / 2 : 0.0;
    return {potential, tangential * tx - theta * ty, tangential * ty + theta * tx};
}
