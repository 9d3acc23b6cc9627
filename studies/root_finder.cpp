// Brent's zero finder; the names follow the book: b is the best estimate, a the previous
// one, c the point that keeps the root bracketed with b, d the last step and e the one
// before it.
#include "studies/root_finder.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The interpolation step from the last three points: inverse quadratic when a, b and c
// differ, else the secant through a and b. Accepted only when it stays well inside the
// bracket and shrinks faster than the step before last; otherwise bisect.
double next_step(const root_point &a, const root_point &b, const root_point &c, double m,
                 double tol, double &d, double &e) {
    if (std::fabs(e) < tol || std::fabs(a.fx) <= std::fabs(b.fx)) return d = e = m;
    double s = b.fx / a.fx, p, q;
    if (a.x == c.x) {
        p = 2 * m * s;
        q = 1 - s;
    } else {
        double r = b.fx / c.fx, t = a.fx / c.fx;
        p = s * (2 * m * t * (t - r) - (b.x - a.x) * (r - 1));
        q = (t - 1) * (r - 1) * (s - 1);
    }
    if (p > 0) {
        q = -q;
    } else {
        p = -p;
    }
    if (2 * p < std::min(3 * m * q - std::fabs(tol * q), std::fabs(e * q))) {
        e = d;
        return d = p / q;
    }
    return d = e = m;
}

} // namespace

root_point brent_root(root_point a, root_point b, const root_evaluate &evaluate, double f_tolerance,
                      int max_evaluations) {
    root_point best = std::fabs(a.fx) < std::fabs(b.fx) ? a : b;
    root_point c = a;
    double d = b.x - a.x, e = d;
    for (int evaluation = 0; evaluation < max_evaluations; ++evaluation) {
        if (std::fabs(best.fx) <= f_tolerance) break;
        if (b.fx * c.fx > 0) {
            c = a;
            d = e = b.x - a.x;
        }
        if (std::fabs(c.fx) < std::fabs(b.fx)) {
            a = b;
            b = c;
            c = a;
        }
        double tol = 1e-11 * std::fabs(b.x) + 1e-15;
        double m = 0.5 * (c.x - b.x);
        if (std::fabs(m) <= tol) break;
        double step = next_step(a, b, c, m, tol, d, e);
        a = b;
        double x = b.x + (std::fabs(step) > tol ? step : (m > 0 ? tol : -tol));
        std::optional<root_point> next = evaluate(x);
        if (!next) break;
        b = *next;
        if (std::fabs(b.fx) < std::fabs(best.fx)) best = b;
    }
    return best;
}
