// Brent's method for a root of a function that changes sign over an interval: bisection
// that safeguards inverse quadratic and secant steps, so it never does worse than
// bisection and converges superlinearly near a simple root. After R. P. Brent,
// Algorithms for Minimization without Derivatives (Prentice-Hall, 1973), chapter 4, the
// procedure zero.
#pragma once

#include <functional>
#include <optional>

struct root_point {
    double x;
    double fx;
};

// Evaluates the function at x. It may move x (to the value it could actually use, for
// example one rounded to a typed text) and returns that point, or nothing when it cannot
// evaluate there.
using root_evaluate = std::function<std::optional<root_point>(double x)>;

// Searches [a, b] (a.fx and b.fx of opposite signs or one of them zero) until the best
// point's |f| is at most f_tolerance, the interval has shrunk to rounding, an evaluation
// fails, or max_evaluations were made. Returns the best point seen: the one of least |f|.
root_point brent_root(root_point a, root_point b, const root_evaluate &evaluate, double f_tolerance,
                      int max_evaluations = 60);
