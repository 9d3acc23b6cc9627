// Partial inductances of rectangles and harmonic annuli, with the planes' images.
#include "core/graded/partial_inductance.h"

#include "core/graded/gauss_legendre.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace {

constexpr double pi = std::numbers::pi;

// A fourth antiderivative of ln(x^2 + y^2), twice in x and twice in y; even in both.
double quartic_antiderivative(double x, double y) {
    x = std::fabs(x);
    y = std::fabs(y);
    double x2 = x * x, y2 = y * y, r2 = x2 + y2;
    if (r2 == 0) return 0;
    double value = (6 * x2 * y2 - x2 * x2 - y2 * y2) * std::log(r2) - 25 * x2 * y2;
    if (x > 0) value += 8 * x2 * x * y * std::atan(y / x);
    if (y > 0) value += 8 * x * y2 * y * std::atan(x / y);
    return value / 24;
}

// The angular factor of a harmonic at angle theta.
double harmonic(const current_basis &b, double theta) {
    if (b.m == 0) return 1;
    return b.sine ? std::sin(b.m * theta) : std::cos(b.m * theta);
}

// The radial factor f(rho) of an annulus basis's potential f(rho) * harmonic(theta):
// the part of the annulus inside rho seen as from outside, the part beyond as from
// inside, both from ln |p - r'| = ln r_> - sum_k (r_< / r_>)^k cos k (theta - theta') / k.
double annulus_radial(const current_basis &b, double rho) {
    double r1 = b.inner, r2 = b.outer, m = b.m, value = 0;
    double lo = std::max(rho, r1); // the outer part [lo, r2]
    double hi = std::min(rho, r2); // the inner part [r1, hi]
    if (b.m == 0) {
        if (hi > r1) value += pi * std::log(rho) * (hi * hi - r1 * r1);
        auto primitive = [](double r) { return r == 0 ? 0 : r * r * (std::log(r) / 2 - 0.25); };
        if (r2 > lo) value += 2 * pi * (primitive(r2) - primitive(lo));
        return value / b.area;
    }
    if (hi > r1) { // -(pi/m) rho^-m integral of r^(m+1), in u = r / rho <= 1
        double u1 = r1 / rho, u2 = hi / rho;
        value -= pi / m * rho * rho * (std::pow(u2, m + 2) - std::pow(u1, m + 2)) / (m + 2);
    }
    if (r2 > lo && rho > 0) { // -(pi/m) rho^m integral of r^(1-m), in v = r / rho >= 1
        double v1 = lo / rho, v2 = r2 / rho;
        double integral =
            b.m == 2 ? std::log(v2 / v1) : (std::pow(v2, 2 - m) - std::pow(v1, 2 - m)) / (2 - m);
        value -= pi / m * rho * rho * integral;
    }
    return value / b.area;
}

bool concentric(const current_basis &a, const current_basis &b) {
    return a.shape == basis_shape::annulus && b.shape == basis_shape::annulus &&
           a.centre.x == b.centre.x && a.centre.y == b.centre.y;
}

// Two harmonics on concentric annuli: zero unless the same harmonic, then the radial
// integral of one's potential over the other's density, by Gauss-Legendre on the
// pieces where the potential is one smooth expression.
double concentric_log_mean(const current_basis &a, const current_basis &b) {
    if (a.m != b.m || a.sine != b.sine) return 0;
    double breaks[4] = {a.inner, b.inner, b.outer, a.outer};
    std::sort(breaks, breaks + 4);
    double sum = 0;
    for (int k = 0; k < 3; ++k) {
        double lo = std::max(breaks[k], a.inner), hi = std::min(breaks[k + 1], a.outer);
        if (!(hi > lo)) continue;
        for (int g = 0; g < 8; ++g) {
            double rho = (lo + hi) / 2 + (hi - lo) / 2 * gauss8_x[g];
            sum += gauss8_w[g] * (hi - lo) / 2 * rho * annulus_radial(b, rho);
        }
    }
    return sum * (a.m == 0 ? 2 * pi : pi) / a.area;
}

// A basis function's quadrature: points and weights (its density times the area each
// stands for, summing to the integral of the density).
struct quadrature {
    std::vector<xs_point> points;
    std::vector<double> weights;
};

quadrature rectangle_points(const current_basis &b, int order) {
    quadrature q;
    if (order == 1) {
        q.points.push_back(b.centre);
        q.weights.push_back(1);
        return q;
    }
    for (int i = 0; i < order; ++i)
        for (int j = 0; j < order; ++j) {
            double xi = order == 2 ? gauss2_x[i] : gauss3_x[i];
            double eta = order == 2 ? gauss2_x[j] : gauss3_x[j];
            double w = order == 2 ? 0.25 : gauss3_w[i] * gauss3_w[j] / 4;
            q.points.push_back({b.centre.x + xi * b.width / 2, b.centre.y + eta * b.height / 2});
            q.weights.push_back(w);
        }
    return q;
}

// Two radial Gauss points and, round the annulus, enough equally spaced angles to
// integrate the harmonics against a smooth field exactly.
quadrature annulus_points(const current_basis &b, int harmonics) {
    quadrature q;
    int angles = std::max(16, 4 * (harmonics + 2));
    for (int i = 0; i < 2; ++i) {
        double r = (b.inner + b.outer) / 2 + (b.outer - b.inner) / 2 * gauss2_x[i];
        for (int k = 0; k < angles; ++k) {
            double theta = 2 * pi * (k + 0.5) / angles;
            q.points.push_back(
                {b.centre.x + r * std::cos(theta), b.centre.y + r * std::sin(theta)});
            q.weights.push_back(harmonic(b, theta) * r * (b.outer - b.inner) / 2 * 2 * pi / angles /
                                b.area);
        }
    }
    return q;
}

// ln |sinh w|, without overflow far along the plates.
double log_abs_sinh(std::complex<double> w) {
    if (std::fabs(w.real()) < 1) return std::log(std::abs(std::sinh(w)));
    std::complex<double> e = std::exp(-2.0 * (w.real() > 0 ? w : -w));
    return std::fabs(w.real()) - std::log(2.0) + std::log(std::abs(1.0 - e));
}

// The smooth part of the Green's function: what the planes add to ln |p - q|.
double image_part(const cross_section &s, xs_point p, xs_point q) {
    if (s.ground_plane && s.upper_plane) {
        double a = pi / (2 * s.upper_height);
        std::complex<double> z(p.x, p.y), zeta(q.x, q.y);
        std::complex<double> w = a * (z - zeta);
        double near = std::abs(w) < 1e-3 ? std::log(a) + std::real(w * w) / 6
                                         : log_abs_sinh(w) - std::log(std::abs(z - zeta));
        return near - log_abs_sinh(a * (z - std::conj(zeta)));
    }
    double image = 0;
    if (s.ground_plane) image -= std::log(std::hypot(p.x - q.x, p.y + q.y));
    if (s.upper_plane) image -= std::log(std::hypot(p.x - q.x, 2 * s.upper_height - p.y - q.y));
    return image;
}

// Bases that share their quadrature points: a rectangle alone, or every harmonic of one
// annulus.
struct basis_group {
    std::vector<std::size_t> members;
    quadrature coarse, fine; // for the images; for an annulus's field (a rectangle's 3 x 3)
    std::vector<std::vector<double>> coarse_weights, fine_weights; // per member
};

// A rectangle's distance from the nearest plane, or infinity without one.
double plane_clearance(const cross_section &s, const current_basis &b) {
    double clearance = HUGE_VAL;
    if (s.ground_plane) clearance = b.centre.y;
    if (s.upper_plane) clearance = std::min(clearance, s.upper_height - b.centre.y);
    return clearance;
}

std::vector<basis_group> groups_of(const cross_section &section,
                                   std::span<const current_basis> basis, int harmonics) {
    std::vector<basis_group> groups;
    for (std::size_t i = 0; i < basis.size(); ++i) {
        const current_basis &b = basis[i];
        bool rectangle = b.shape == basis_shape::rectangle;
        bool joins = !rectangle && !groups.empty() && !groups.back().members.empty();
        if (joins) {
            const current_basis &first = basis[groups.back().members.front()];
            joins = concentric(first, b) && first.inner == b.inner && first.outer == b.outer;
        }
        if (!joins) {
            basis_group g;
            if (rectangle) {
                // The images see a rectangle small against its distance from them as its
                // centre: their kernel's curvature there is of that distance's scale.
                bool small = std::max(b.width, b.height) < plane_clearance(section, b) / 4;
                g.coarse = rectangle_points(b, small ? 1 : 2);
                g.fine = rectangle_points(b, 3);
            } else {
                g.coarse = annulus_points(b, harmonics);
                g.fine = g.coarse;
            }
            groups.push_back(std::move(g));
        }
        basis_group &g = groups.back();
        g.members.push_back(i);
        if (rectangle) {
            g.coarse_weights.push_back(g.coarse.weights);
            g.fine_weights.push_back(g.fine.weights);
        } else {
            quadrature own = annulus_points(b, harmonics);
            g.coarse_weights.push_back(own.weights);
            g.fine_weights.push_back(own.weights);
        }
    }
    return groups;
}

double dot(const std::vector<double> &a, const std::vector<double> &b) {
    double sum = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        sum += a[k] * b[k];
    return sum;
}

// The free-space means between the members of two groups: rectangles in closed form,
// concentric annuli exactly, otherwise an annulus's exact potential over the other's
// points.
void free_block(std::span<const current_basis> basis, const basis_group &g, const basis_group &h,
                std::vector<double> &block) {
    std::vector<double> values(std::max(g.fine.points.size(), h.fine.points.size()));
    for (std::size_t a = 0; a < g.members.size(); ++a) {
        const current_basis &ba = basis[g.members[a]];
        bool evaluated = false;
        for (std::size_t b = 0; b < h.members.size(); ++b) {
            const current_basis &bb = basis[h.members[b]];
            double &out = block[a * h.members.size() + b];
            if (ba.shape == basis_shape::rectangle && bb.shape == basis_shape::rectangle) {
                out = partial_rectangles_log_mean(ba, bb);
            } else if (concentric(ba, bb)) {
                out = concentric_log_mean(ba, bb);
            } else if (ba.shape == basis_shape::annulus) {
                if (!evaluated)
                    for (std::size_t k = 0; k < h.fine.points.size(); ++k)
                        values[k] = partial_annulus_potential(ba, h.fine.points[k]);
                evaluated = true;
                out = 0;
                for (std::size_t k = 0; k < h.fine.points.size(); ++k)
                    out += h.fine_weights[b][k] * values[k];
            } else {
                out = 0;
                for (std::size_t k = 0; k < g.fine.points.size(); ++k)
                    out += g.fine_weights[a][k] * partial_annulus_potential(bb, g.fine.points[k]);
            }
        }
    }
}

// The planes' part between the members of two groups, from one kernel block of their
// points.
void image_block(const cross_section &s, const basis_group &g, const basis_group &h,
                 std::vector<double> &block) {
    std::size_t np = g.coarse.points.size(), nq = h.coarse.points.size();
    std::vector<double> kernel(np * nq), column(np);
    for (std::size_t p = 0; p < np; ++p)
        for (std::size_t q = 0; q < nq; ++q)
            kernel[p * nq + q] = image_part(s, g.coarse.points[p], h.coarse.points[q]);
    for (std::size_t b = 0; b < h.members.size(); ++b) {
        for (std::size_t p = 0; p < np; ++p) {
            double sum = 0;
            for (std::size_t q = 0; q < nq; ++q)
                sum += kernel[p * nq + q] * h.coarse_weights[b][q];
            column[p] = sum;
        }
        for (std::size_t a = 0; a < g.members.size(); ++a)
            block[a * h.members.size() + b] += dot(g.coarse_weights[a], column);
    }
}

} // namespace

double partial_rectangles_log_mean(const current_basis &a, const current_basis &b) {
    double dx = b.centre.x - a.centre.x, dy = b.centre.y - a.centre.y;
    double d2 = dx * dx + dy * dy;
    double size = std::max(std::max(a.width, a.height), std::max(b.width, b.height));
    if (d2 > 16 * size * size) {
        // ln of the centre distance, corrected by the rectangles' second moments.
        double wx = (a.width * a.width + b.width * b.width) / 24;
        double wy = (a.height * a.height + b.height * b.height) / 24;
        return std::log(d2) / 2 + (wx - wy) * (dy * dy - dx * dx) / (d2 * d2);
    }
    double ax[2] = {-a.width / 2, a.width / 2}, ay[2] = {-a.height / 2, a.height / 2};
    double bx[2] = {dx - b.width / 2, dx + b.width / 2},
           by[2] = {dy - b.height / 2, dy + b.height / 2};
    double sum = 0;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k)
                for (int l = 0; l < 2; ++l) {
                    double sign = ((i + j) % 2 == 1 ? 1 : -1) * ((k + l) % 2 == 1 ? 1 : -1);
                    sum += sign * quartic_antiderivative(ax[i] - bx[j], ay[k] - by[l]);
                }
    return sum / (2 * a.area * b.area);
}

double partial_annulus_potential(const current_basis &b, xs_point p) {
    double dx = p.x - b.centre.x, dy = p.y - b.centre.y;
    double rho = std::hypot(dx, dy);
    if (b.m > 0 && rho == 0) return 0;
    return annulus_radial(b, rho) * harmonic(b, std::atan2(dy, dx));
}

bool partial_inductance_fill(const calc_env &env, const cross_section &section,
                             std::span<const current_basis> basis, double *l) {
    std::size_t n = basis.size();
    int harmonics = 0;
    for (const current_basis &b : basis)
        harmonics = std::max(harmonics, b.m);
    std::vector<basis_group> groups = groups_of(section, basis, harmonics);
    bool images = section.ground_plane || section.upper_plane;
    constexpr double scale = -partial_mu0 / (2 * pi);
    std::vector<double> block;
    for (std::size_t gi = 0; gi < groups.size(); ++gi) {
        if (env_cancelled(env)) return false;
        const basis_group &g = groups[gi];
        for (std::size_t hi = gi; hi < groups.size(); ++hi) {
            const basis_group &h = groups[hi];
            block.assign(g.members.size() * h.members.size(), 0.0);
            free_block(basis, g, h, block);
            if (images) image_block(section, g, h, block);
            for (std::size_t a = 0; a < g.members.size(); ++a)
                for (std::size_t b = 0; b < h.members.size(); ++b) {
                    std::size_t i = g.members[a], j = h.members[b];
                    l[i * n + j] = l[j * n + i] = scale * block[a * h.members.size() + b];
                }
        }
        env_progress(env, progress_phase::fill, double(gi + 1) / double(groups.size()));
    }
    return true;
}
