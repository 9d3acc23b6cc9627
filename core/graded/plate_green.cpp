// The two plates' smooth remainder, evaluated without cancellation or overflow.
#include "core/graded/plate_green.h"

#include <cmath>
#include <complex>
#include <utility>

namespace {

using complex = std::complex<double>;

constexpr double pi = 3.141592653589793;

// Exponentials of a real part below this stay far from overflow in a product of two.
constexpr double exponent_limit = 300;

// ln |sinh(a u) / u| and its derivative a coth(a u) - 1 / u, the part of the logarithm
// of sinh that the free-space logarithm leaves: a series near u = 0, where both
// differences cancel, and the exponential's asymptote far along the plates, where sinh
// would overflow.
struct smooth_part {
    double value;
    complex slope;
};

// With e = +-exp(a u) given (its sign does not matter: sinh and cosh change sign
// together), where the exponential is needed at all.
smooth_part sinh_over_u(complex u, double a, complex e, complex inverse) {
    complex v = a * u;
    if (std::abs(v) < 0.05) {
        complex v2 = v * v;
        complex log_ratio = v2 * (1.0 / 6 - v2 * (1.0 / 180 - v2 / 2835.0));
        complex coth_rest = v * (1.0 / 3 - v2 * (1.0 / 45 - v2 * (2.0 / 945)));
        return {std::log(a) + log_ratio.real(), a * coth_rest};
    }
    double side = v.real() < 0 ? -1.0 : 1.0;
    if (side * v.real() > 20) {
        // sinh v = side e^(side v) (1 - e^(-2 side v)) / 2, the last factor within 1e-17 of 1.
        return {side * v.real() - std::log(2.0) - std::log(std::abs(u)), a * side - 1.0 / u};
    }
    // |v| >= 0.05 keeps the difference accurate.
    complex s = (e - inverse) * 0.5, c = (e + inverse) * 0.5;
    return {0.5 * std::log(std::norm(s) / std::norm(u)), a * c / s - 1.0 / u};
}

// exp(a u) and exp(-a u) for u = z - zeta (image false) or z - conj(zeta): factored into
// the point's and the node's exponentials while both are finite, else directly.
std::pair<complex, complex> exponentials(complex z, const plate_node &node, double a, bool image,
                                         complex z_grow, complex z_shrink, bool factored) {
    if (factored)
        return image ? std::make_pair(z_grow * node.image_shrink, z_shrink * node.image_grow)
                     : std::make_pair(z_grow * node.shrink, z_shrink * node.grow);
    complex e = std::exp(a * (z - (image ? std::conj(node.zeta) : node.zeta)));
    return {e, 1.0 / e};
}

// The remainder at z of a unit charge at the node, and its gradient with respect to z,
// with the exponentials exp(a z), exp(-a z) of the point.
panel_influence remainder_at(complex z, const plate_node &node, double spacing, double a,
                             complex z_grow, complex z_shrink, bool factored) {
    complex zeta = node.zeta;
    complex direct = z - zeta;
    // z - conj(zeta) has an imaginary part between 0 and 2H: its nearer zero of sinh is
    // 0 or 2iH, and sinh has the same modulus at both shifts.
    complex image = z - std::conj(zeta);
    complex shifted = image - complex(0, 2 * spacing);
    bool upper = image.imag() > spacing;
    complex near = upper ? shifted : image, far = upper ? image : shifted;
    auto [d_grow, d_shrink] = exponentials(z, node, a, false, z_grow, z_shrink, factored);
    auto [i_grow, i_shrink] = exponentials(z, node, a, true, z_grow, z_shrink, factored);
    smooth_part d = sinh_over_u(direct, a, d_grow, d_shrink);
    smooth_part i = sinh_over_u(near, a, i_grow, i_shrink);
    complex slope = d.slope - i.slope + 1.0 / far;
    // The gradient of the real part of an analytic function g is (Re g', -Im g').
    return {d.value - i.value + 0.5 * std::log(std::norm(far)), slope.real(), -slope.imag()};
}

// Gauss-Legendre on [-1, 1], four points, and two for the short panels.
constexpr double nodes[4] = {-0.8611363115940526, -0.3399810435848563, 0.3399810435848563,
                             0.8611363115940526};
constexpr double weights[4] = {0.3478548451374538, 0.6521451548625461, 0.6521451548625461,
                               0.3478548451374538};
constexpr double short_nodes[2] = {-0.5773502691896258, 0.5773502691896258};
constexpr double short_weights[2] = {1.0, 1.0};

} // namespace

plate_source plate_source_of(xs_point a, xs_point b, double spacing) {
    plate_source source{};
    source.factored = true;
    source.spacing = spacing;
    source.scale = pi / (2 * spacing);
    double length = std::hypot(b.x - a.x, b.y - a.y);
    int pieces = int(std::ceil(4 * length / spacing));
    if (pieces < 1) pieces = 1;
    // A panel within an eighth of the spacing is far smaller than the distance to the
    // remainder's singularities: two points leave an error below 1e-8 of its term.
    bool short_panel = 8 * length <= spacing;
    const double *x = short_panel ? short_nodes : nodes;
    const double *weight = short_panel ? short_weights : weights;
    int points = short_panel ? 2 : 4;
    complex start(a.x, a.y), step = (complex(b.x, b.y) - start) / double(pieces);
    double half = length / pieces / 2;
    for (int k = 0; k < pieces; ++k) {
        complex mid = start + (k + 0.5) * step;
        for (int q = 0; q < points; ++q) {
            plate_node node{};
            node.zeta = mid + 0.5 * x[q] * step;
            node.weight = weight[q] * half;
            complex v = source.scale * node.zeta, w = source.scale * std::conj(node.zeta);
            source.factored = source.factored && std::fabs(v.real()) < exponent_limit;
            node.grow = std::exp(v);
            node.shrink = 1.0 / node.grow;
            node.image_grow = std::exp(w);
            node.image_shrink = 1.0 / node.image_grow;
            source.nodes.push_back(node);
        }
    }
    return source;
}

panel_influence plate_remainder(const plate_source &source, xs_point p) {
    double a = source.scale;
    complex z(p.x, p.y);
    bool factored = source.factored && std::fabs(a * z.real()) < exponent_limit;
    complex grow = factored ? std::exp(a * z) : 1.0, shrink = 1.0 / grow;
    panel_influence sum{0, 0, 0};
    for (const plate_node &node : source.nodes) {
        panel_influence r = remainder_at(z, node, source.spacing, a, grow, shrink, factored);
        sum.potential += node.weight * r.potential;
        sum.gradient_x += node.weight * r.gradient_x;
        sum.gradient_y += node.weight * r.gradient_y;
    }
    return sum;
}
