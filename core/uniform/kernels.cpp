// The trapezoid rule and the kernels of the two-dimensional free-space potential.
#include "core/uniform/kernels.h"

#include <array>
#include <cmath>
#include <limits>

namespace {

// A cell narrow next to its position (Δ below the spacing of doubles there) would
// never reach its right end, or only in many more steps than 100. Such a cell cannot be
// integrated: its brackets become NaN, and the solver reports a failed calculation.
constexpr int node_limit = 1000;

// The rule: nodes from L + Δ, each the previous node plus Δ (the accumulated rounding
// decides whether the last node lands on R or a step short of it, 100 or 99 nodes),
// with the last node evaluated standing for the right end point.
template <std::size_t K, class Integrand>
std::array<double, K> trapezoid_rule(const cell_t &cell, double &delta, Integrand integrand) {
    double left = cell.center - cell.half_width;
    double right = cell.center + cell.half_width;
    delta = (cell.half_width + cell.half_width) / 100;
    std::array<double, K> sum{};
    std::array<double, K> last{};
    int nodes = 0;
    for (double x = delta + left; x <= right; x = x + delta) {
        if (++nodes > node_limit) {
            sum.fill(std::numeric_limits<double>::quiet_NaN());
            return sum;
        }
        std::array<double, K> v = integrand(x);
        for (std::size_t i = 0; i < K; ++i) {
            sum[i] = sum[i] + v[i];
            last[i] = v[i];
        }
    }
    std::array<double, K> at_left = integrand(left);
    std::array<double, K> bracket;
    for (std::size_t i = 0; i < K; ++i)
        bracket[i] = (at_left[i] - last[i]) * 0.5 + sum[i];
    return bracket;
}

} // namespace

trapezoid kernel_same_face(double xi, const cell_t &cell) {
    trapezoid t;
    t.bracket = trapezoid_rule<1>(cell, t.delta, [xi](double x) {
        double distance = x - xi;
        if (distance < 0) distance = -distance;
        return std::array<double, 1>{std::log(distance)};
    })[0];
    return t;
}

trapezoid_pair kernel_opposite_face(double xi, const cell_t &cell, double h) {
    trapezoid_pair t;
    std::array<double, 2> brackets = trapezoid_rule<2>(cell, t.delta, [xi, h](double x) {
        double dx = x - xi;
        double squared = dx * dx + h * h;
        return std::array<double, 2>{std::log(std::sqrt(squared)), h / squared};
    });
    t.potential = brackets[0];
    t.field = brackets[1];
    return t;
}

trapezoid kernel_field(double xi, const cell_t &cell, double h) {
    trapezoid t;
    t.bracket = trapezoid_rule<1>(cell, t.delta, [xi, h](double x) {
        double dx = x - xi;
        return std::array<double, 1>{h / (dx * dx + h * h)};
    })[0];
    return t;
}

int kernel_points(const cell_t &cell, double *x, double *delta) {
    // The walk of trapezoid_rule.
    double left = cell.center - cell.half_width;
    double right = cell.center + cell.half_width;
    *delta = (cell.half_width + cell.half_width) / 100;
    int count = 0;
    for (double node = *delta + left; node <= right; node = node + *delta) {
        if (count == kernel_point_capacity - 1) return 0;
        x[count++] = node;
    }
    x[count++] = left;
    return count;
}

double kernel_self(double a) {
    return (a * -3.6e10) * (std::log(a) - 1);
}
