// Finite-volume reference solution of the line cross-section (see fd_solver.h).
//
// The potential obeys div(eps grad phi) = 0 with phi fixed on the conductors. The plane is
// covered by a tensor-product grid whose lines pass through every coordinate of the
// geometry, so each cell holds a single medium and every conductor is a set of grid nodes.
// Unknowns sit on the nodes; the flux between two neighbouring nodes crosses the dual-cell
// face between them, which runs through the two cells on either side of their grid edge,
// so its coefficient is the length-weighted (arithmetic) mean of those cells'
// permittivities. That is the right mean for a medium interface along a grid line: the
// interface is parallel to that flux, while the flux normal to it stays within one cell.
//
// The fields are singular at strip edges and slab corners, so the grid is graded
// geometrically towards every such coordinate, and it grows geometrically outwards to a
// far grounded box about a thousand times the size of the line (the fields of a neutral
// pair and of a strip over ground fall as a dipole's, so the box changes the
// capacitance by about (size / box)^2, far below the discretisation error).
//
// Capacitances come from the stored energy, phi^T A phi with A the assembled operator,
// which errs only to second order in the potential's error. The grid is refined twice,
// each time halving every cell against its distance from the nearest singular point, and
// the three results are Richardson-extrapolated for the h^2 error of the scheme; the
// change between the two extrapolations gives the error estimate.
#include "tests/physics/validation/fd_solver.h"

#include "tests/physics/validation/fd_grid.h"

#include <Eigen/SparseCholesky>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr double eps0 = 8.8541878128e-12;
constexpr double c_light = 299792458.0;

// A closed rectangle of conductor, degenerate in y for a zero-thickness strip.
struct rect {
    double x0, x1, y0, y1;
    bool contains(double x, double y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

struct section {
    rect slab;
    std::vector<rect> strips;   // electrode 0 the top strip, 1 the bottom strip
    bool ground;                // the line y = 0 is a conductor at 0 V; the domain is y >= 0
    std::vector<double> xs, ys; // the geometry's coordinates, where the fields are singular
    double box;                 // the half-width of the far grounded box
};

section describe(const fd_case &line) {
    section s;
    const double t = line.t;
    if (line.microstrip) {
        const double a = line.w1 / 2;
        s.slab = {-a - line.p, a + line.p, 0, line.h};
        s.strips = {{-a, a, line.h, line.h + t}};
        s.ground = true;
        s.xs = {-a - line.p, -a, a, a + line.p};
        s.ys = {0, line.h, line.h + t};
    } else {
        const double top0 = line.d - line.w1 / 2, top1 = line.d + line.w1 / 2;
        const double b = line.w2 / 2;
        s.slab = {std::min(top0, -b) - line.p, std::max(top1, b) + line.p, 0, line.h};
        s.strips = {{top0, top1, line.h, line.h + t}, {-b, b, -t, 0}};
        s.ground = false;
        s.xs = {s.slab.x0, top0, top1, -b, b, s.slab.x1};
        s.ys = {-t, 0, line.h, line.h + t};
    }
    for (auto *v : {&s.xs, &s.ys}) {
        std::sort(v->begin(), v->end());
        v->erase(std::unique(v->begin(), v->end()), v->end());
    }
    const double size = std::max(s.slab.x1 - s.slab.x0, line.h + 2 * t);
    s.box = 1000 * size;
    return s;
}

// The Maxwell capacitance matrix (F/m, w.r.t. the grounded box and plane) of the strips
// with relative permittivity eps_r in the slab, on one grid.
std::vector<std::vector<double>> maxwell(const section &s, const std::vector<double> &x,
                                         const std::vector<double> &y, double eps_r) {
    const int nx = static_cast<int>(x.size()), ny = static_cast<int>(y.size());
    const int electrodes = static_cast<int>(s.strips.size());
    auto node = [nx](int i, int j) { return i + nx * j; };

    // fixed: each node's conductor (-1 the box or plane at 0 V, k strip k, -2 none);
    // unknown: the number of each free node.
    std::vector<int> fixed(nx * ny, -2), unknown(nx * ny, -1);
    int count = 0;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            int &f = fixed[node(i, j)];
            if (i == 0 || j == 0 || i == nx - 1 || j == ny - 1) f = -1;
            for (int k = 0; k < electrodes; ++k)
                if (s.strips[k].contains(x[i], y[j])) f = k;
            if (f == -2) unknown[node(i, j)] = count++;
        }

    auto cell_eps = [&](int i, int j) {
        if (i < 0 || j < 0 || i >= nx - 1 || j >= ny - 1) return 0.0;
        const double xc = (x[i] + x[i + 1]) / 2, yc = (y[j] + y[j + 1]) / 2;
        const bool in_slab = xc > s.slab.x0 && xc < s.slab.x1 && yc > s.slab.y0 && yc < s.slab.y1;
        return in_slab ? eps_r : 1.0;
    };
    // Visits every grid edge (p, q) with its flux coefficient.
    auto for_each_edge = [&](auto &&visit) {
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                if (i + 1 < nx) {
                    const double dy0 = j > 0 ? y[j] - y[j - 1] : 0,
                                 dy1 = j + 1 < ny ? y[j + 1] - y[j] : 0;
                    visit(node(i, j), node(i + 1, j),
                          (cell_eps(i, j - 1) * dy0 + cell_eps(i, j) * dy1) /
                              (2 * (x[i + 1] - x[i])));
                }
                if (j + 1 < ny) {
                    const double dx0 = i > 0 ? x[i] - x[i - 1] : 0,
                                 dx1 = i + 1 < nx ? x[i + 1] - x[i] : 0;
                    visit(node(i, j), node(i, j + 1),
                          (cell_eps(i - 1, j) * dx0 + cell_eps(i, j) * dx1) /
                              (2 * (y[j + 1] - y[j])));
                }
            }
    };

    std::vector<Eigen::Triplet<double>> entries;
    entries.reserve(5 * static_cast<size_t>(count));
    Eigen::MatrixXd rhs = Eigen::MatrixXd::Zero(count, electrodes);
    auto couple = [&](int p, int q, double a) { // the row of free node p
        entries.emplace_back(unknown[p], unknown[p], a);
        if (unknown[q] >= 0)
            entries.emplace_back(unknown[p], unknown[q], -a);
        else if (fixed[q] >= 0)
            rhs(unknown[p], fixed[q]) += a;
    };
    for_each_edge([&](int p, int q, double a) {
        if (unknown[p] >= 0) couple(p, q, a);
        if (unknown[q] >= 0) couple(q, p, a);
    });
    Eigen::SparseMatrix<double> a(count, count);
    a.setFromTriplets(entries.begin(), entries.end());
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> solver(a);
    const Eigen::MatrixXd solution = solver.solve(rhs);

    // Full nodal potentials for each electrode at 1 V, the others at 0 V.
    std::vector<std::vector<double>> phi(electrodes, std::vector<double>(nx * ny));
    for (int k = 0; k < electrodes; ++k)
        for (int n = 0; n < nx * ny; ++n)
            phi[k][n] = unknown[n] >= 0 ? solution(unknown[n], k) : (fixed[n] == k ? 1.0 : 0.0);

    // K_kl = eps0 sum over edges of a (phi_k(p) - phi_k(q)) (phi_l(p) - phi_l(q)).
    std::vector<std::vector<double>> k_matrix(electrodes, std::vector<double>(electrodes));
    for_each_edge([&](int p, int q, double coef) {
        for (int k = 0; k < electrodes; ++k)
            for (int l = 0; l < electrodes; ++l)
                k_matrix[k][l] += eps0 * coef * (phi[k][p] - phi[k][q]) * (phi[l][p] - phi[l][q]);
    });
    return k_matrix;
}

// The line's capacitance: the strip to the plane, or the neutral pair, which is the pair's
// capacitance once the far box no longer matters.
double line_capacitance(const std::vector<std::vector<double>> &k) {
    if (k.size() == 1) return k[0][0];
    return (k[0][0] * k[1][1] - k[0][1] * k[1][0]) / (k[0][0] + k[1][1] + k[0][1] + k[1][0]);
}

} // namespace

fd_result fd_solve(const fd_case &line, fd_accuracy accuracy) {
    const section s = describe(line);
    // The coarsest grid's cells per factor of 4 in distance from a singular point, and its
    // smallest cells against the smallest feature of the line.
    const int m = accuracy == fd_accuracy::fine ? 2 : 1;
    double feature = line.h;
    for (auto *v : {&s.xs, &s.ys})
        for (size_t k = 0; k + 1 < v->size(); ++k)
            feature = std::min(feature, (*v)[k + 1] - (*v)[k]);
    const double smallest = 1e-1 * feature;

    constexpr int levels = 3;
    std::array<double, levels> c{}, c0{};
    for (int level = 0; level < levels; ++level) {
        const auto x = fd_axis(s.xs, -s.box, s.box, smallest, m, level);
        const auto y = fd_axis(s.ys, s.ground ? 0.0 : -s.box, s.box, smallest, m, level);
        c0[level] = line_capacitance(maxwell(s, x, y, 1.0));
        c[level] = line.eps_r == 1.0 ? c0[level] : line_capacitance(maxwell(s, x, y, line.eps_r));
    }

    // Richardson for the h^2 error, from the first two and from the last two levels. What
    // it leaves falls faster than h^2 (by 8 to 20 times per level where four levels were
    // run), so the later extrapolation errs by less than a third of their difference.
    auto extrapolate = [](const std::array<double, levels> &v, int k) {
        return (4 * v[k + 1] - v[k]) / 3;
    };
    auto z0_of = [](double cap, double cap0) { return 1 / (c_light * std::sqrt(cap * cap0)); };
    const double c_a = extrapolate(c, 0), c0_a = extrapolate(c0, 0);
    const double c_b = extrapolate(c, 1), c0_b = extrapolate(c0, 1);
    fd_result r;
    r.c = c_b;
    r.c0 = c0_b;
    r.z0 = z0_of(c_b, c0_b);
    r.eps_eff = c_b / c0_b;
    r.z0_error = std::abs(r.z0 - z0_of(c_a, c0_a)) / 3;
    r.eps_eff_error = std::abs(r.eps_eff - c_a / c0_a) / 3;
    return r;
}
