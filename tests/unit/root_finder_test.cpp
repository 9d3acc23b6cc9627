// Brent's zero finder: convergence on smooth roots against the known root, the
// bisection bound on hard functions, evaluations that move the point or fail.
#include "studies/root_finder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct counted {
    int calls = 0;
    root_evaluate of(double (*f)(double)) {
        return [this, f](double x) -> std::optional<root_point> {
            ++calls;
            return root_point{x, f(x)};
        };
    }
};

root_point at(double (*f)(double), double x) {
    return {x, f(x)};
}

TEST(root_finder, converges_superlinearly_on_smooth_roots) {
    // x^3 - 2 on [0, 2]: the cube root of 2; cos x - x on [0, 1]: the Dottie number.
    struct test_case {
        double (*f)(double);
        double a, b, root;
        int most_calls;
    };
    for (test_case t : {test_case{[](double x) { return x * x * x - 2; }, 0, 2, std::cbrt(2.0), 12},
                        {[](double x) { return std::cos(x) - x; }, 0, 1, 0.7390851332151607, 10},
                        {[](double x) { return std::exp(x) - 10; }, -5, 5, std::log(10.0), 14}}) {
        counted count;
        root_point r = brent_root(at(t.f, t.a), at(t.f, t.b), count.of(t.f), 1e-14);
        EXPECT_NEAR(r.x, t.root, 1e-12);
        EXPECT_LE(count.calls, t.most_calls);
    }
}

TEST(root_finder, never_worse_than_bisection_and_stops_on_failure) {
    // A step function: interpolation is useless, yet the bracket shrinks to rounding
    // within a few times the 38 halvings of bisection, and the search stops there.
    auto step = [](double x) { return x < 0.3 ? -1.0 : 1.0; };
    counted count;
    brent_root(at(step, 0), at(step, 1), count.of(step), 0, 1000);
    EXPECT_LE(count.calls, 3 * 38);
    EXPECT_GE(count.calls, 30);

    // The function may move each point (here to a grid of 1e-3): the result is one of
    // the points it returned.
    auto grid = [](double x) -> std::optional<root_point> {
        double g = std::round(x * 1000) / 1000;
        return root_point{g, g * g - 0.5};
    };
    root_point g = brent_root({0, -0.5}, {1, 0.5}, grid, 1e-3);
    EXPECT_EQ(g.x, std::round(g.x * 1000) / 1000);
    EXPECT_NEAR(g.x, std::sqrt(0.5), 1e-3);

    // A failed evaluation ends the search with the best point so far.
    int calls = 0;
    auto failing = [&calls](double x) -> std::optional<root_point> {
        if (++calls > 2) return std::nullopt;
        return root_point{x, x * x * x - 0.3};
    };
    root_point f = brent_root({0, -0.3}, {1, 0.7}, failing, 1e-9);
    EXPECT_EQ(calls, 3);
    EXPECT_LT(std::fabs(f.fx), 0.3);
    // A bracket end that is already a root is returned at once.
    root_point exact = brent_root({0.5, 0}, {1, 1}, failing, 0);
    EXPECT_EQ(exact.x, 0.5);
}

} // namespace
