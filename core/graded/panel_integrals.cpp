// The panel integrals: exact near the panel, a two-term expansion about its centre far
// from it.
#include "core/graded/panel_integrals.h"

#include <cmath>

namespace {

// Beyond this many panel lengths from the centre the expansion replaces the closed form,
// at a third of its cost (one logarithm instead of two and an arctangent); its first
// neglected term is a few parts in 1e8 of the integrals there, and falls as (L / r)^6.
constexpr double far_lengths = 6.0;

// s ln r^2, with the limit 0 where the end itself is the point.
double s_log(double s, double log_r2) {
    return s == 0 ? 0.0 : s * log_r2;
}

// Far from the panel, in the panel's frame with p - centre = z = u + i v as a complex
// number and s the position along the panel, ln |z - s| = Re ln(z - s) and the gradient
// is the conjugate of 1 / (z - s); expanding in s and integrating over [-L/2, L/2]:
//   potential  L ln |z| - Re(L^3 / (24 z^2) + L^5 / (320 z^4))
//   gradient   conj(L / z + L^3 / (12 z^3) + L^5 / (80 z^5))
panel_influence far_field(double ex, double ey, double tx, double ty, double length, double r2) {
    double u = ex * tx + ey * ty, v = ey * tx - ex * ty;
    double ar = u / r2, ai = -v / r2;                      // 1 / z
    double br = ar * ar - ai * ai, bi = 2 * ar * ai;       // 1 / z^2
    double cr = br * ar - bi * ai, ci = br * ai + bi * ar; // 1 / z^3
    double dr = br * br - bi * bi, di = 2 * br * bi;       // 1 / z^4
    double er = dr * ar - di * ai, ei = dr * ai + di * ar; // 1 / z^5
    double l2 = length * length, l3 = l2 * length, l5 = l3 * l2;
    double potential = length * 0.5 * std::log(r2) - (l3 / 24 * br + l5 / 320 * dr);
    double gr = length * ar + l3 / 12 * cr + l5 / 80 * er;
    double gi = -(length * ai + l3 / 12 * ci + l5 / 80 * ei);
    return {potential, gr * tx - gi * ty, gr * ty + gi * tx};
}

} // namespace

panel_frame panel_frame_of(xs_point a, xs_point b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double length = std::sqrt(dx * dx + dy * dy);
    return {a,      {(a.x + b.x) / 2, (a.y + b.y) / 2},         dx / length, dy / length,
            length, far_lengths * far_lengths * length * length};
}

panel_influence panel_integrals_at(const panel_frame &panel, xs_point p) {
    double tx = panel.tx, ty = panel.ty, length = panel.length;
    double cx = p.x - panel.centre.x, cy = p.y - panel.centre.y;
    double rc2 = cx * cx + cy * cy;
    if (rc2 > panel.far2) return far_field(cx, cy, tx, ty, length, rc2);
    double ex = p.x - panel.a.x, ey = p.y - panel.a.y;
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

panel_influence panel_integrals(xs_point a, xs_point b, xs_point p) {
    return panel_integrals_at(panel_frame_of(a, b), p);
}
