// Finite-volume capacitance matrices of a cross-section of rectangles (see fd_section.h).
//
// The scheme is fd_solve's: div(eps grad phi) = 0 on a tensor-product grid whose lines pass
// through every edge of every rectangle, so that each cell holds one medium and every
// conductor is a set of nodes. Unknowns sit on the nodes; the flux between neighbours
// crosses the dual-cell face through the two cells beside their grid edge, with the
// length-weighted mean of those cells' permittivities (exact for an interface along a grid
// line, which is where interfaces lie). The grid is graded geometrically towards every
// edge coordinate, where the fields of conductor edges and corners and of dielectric
// corners are singular, and grows geometrically out to the far boundary.
//
// Each signal in turn is put at 1 V with every other conductor at 0 V; one factorisation
// serves all of them. The charges come from the energy: with phi_k the nodal potentials of
// signal k at 1 V and A the assembled operator, C_ik = phi_i^T A phi_k, Green's reciprocity
// on the grid. It is the charge of the discrete field and errs only to second order in the
// potentials' error.
//
// Open space: a section in open space with zero net charge has a dipole's far field, so a
// boundary at distance R changes its capacitances by about (extent / R)^2. R is ten
// thousand extents, which leaves 1e-8 relative: at a thousand, as fd_solve has, a
// microstrip on a slab wider than the strip moved by 4e-7, more than the fine grids'
// estimate of eps_eff's error, while the far cells cost little. With a plane the far
// boundary is grounded with it (the charge's image makes the dipole). With no plane the
// ground conductors carry the return: they are solved as one more electrode against a
// grounded boundary, and that boundary is then made to float at zero net charge by
// eliminating it from the matrix, which is what the line sees.
//
// Between two planes the fields decay sideways as exp(-k |x|) with k >= (pi / H)
// sqrt(eps_min / eps_max) (the Rayleigh quotient of the layered cross-section), so walls at
// 10 H sqrt(eps_max / eps_min) from the conductors leave an error of order exp(-10 pi).
//
// Three nested grids are solved and Richardson-extrapolated for the h^2 error of the
// scheme, each entry of the matrices apart, and a third of the change between the
// extrapolations from the two coarser and from the two finer grids estimates the error, as
// in fd_solve. That holds when what the extrapolation leaves falls by more than 4 per level
// from the coarsest grid on. At a thick conductor's corner, where phi - V ~ r^(2/3), the
// innermost cells' error falls by 4^(4/3) per level instead of 4; with innermost cells of a
// tenth of the smallest feature, as fd_solve has, it is large enough to cancel against the
// rest on the coarse grids, and the estimate can fall below the error (four times below on
// a microstrip of 35 um). So the innermost cells here are 1/40 (quick) or 1/100 (fine) of
// the smallest feature, and the coarsest grid has two or three cells per factor of 4 (one,
// a growth of 4 per cell, is too coarse for the rate to show on an open coplanar line).
// On the closed forms of the tests and on board lines solved on far finer grids, the
// estimates then exceed the errors by 3 to 10 times.
#include "tests/physics/validation/fd_section.h"

#include "tests/physics/validation/fd_grid.h"

#include <Eigen/Dense>
#include <Eigen/SparseCholesky>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

constexpr double eps0 = 8.8541878128e-12;
constexpr double c_light = 299792458.0;

// The section as the grid sees it.
struct layout {
    std::vector<fd_conductor> conductors;
    std::vector<int> electrode; // each conductor's: signal k is k - 1; a ground -1 (0 V), or n
                                // when the ground conductors float against the far boundary
    int n = 0;                  // signals
    int electrodes = 0;         // n, or n + 1 with the floating ground conductors
    double x_lo = 0, x_hi = 0, y_lo = 0, y_hi = 0; // the domain
    std::vector<double> xs, ys; // the rectangles' edge coordinates inside the domain
};

// Whether two closed rectangles share a point.
bool touch(const fd_rect &a, const fd_rect &b) {
    return a.x0 <= b.x1 && b.x0 <= a.x1 && a.y0 <= b.y1 && b.y0 <= a.y1;
}

// Throws std::invalid_argument for a section that has no answer (see fd_section.h).
void check(const fd_section &s) {
    auto fail = [](const char *why) { throw std::invalid_argument(why); };
    int n = 0;
    bool grounds = false;
    for (const fd_conductor &c : s.conductors) {
        const fd_rect &r = c.box;
        if (!(std::isfinite(r.x0) && std::isfinite(r.x1) && std::isfinite(r.y0) &&
              std::isfinite(r.y1)))
            fail("a conductor's coordinates must be finite");
        if (!(r.x0 <= r.x1 && r.y0 <= r.y1) || (r.x0 == r.x1 && r.y0 == r.y1))
            fail("a conductor must be a rectangle or a sheet");
        if (c.signal < 0) fail("a conductor's signal must be 0 (ground) or 1..n");
        n = std::max(n, c.signal);
        grounds = grounds || c.signal == 0;
        const bool is_signal = c.signal > 0;
        if (s.lower_plane && (is_signal ? r.y0 <= 0 : r.y0 < 0))
            fail("a conductor reaches into the lower plane");
        if (s.upper_plane && (is_signal ? r.y1 >= s.upper_height : r.y1 > s.upper_height))
            fail("a conductor reaches into the upper plane");
    }
    if (n == 0) fail("the section has no signal conductor");
    for (int k = 1; k <= n; ++k)
        if (std::none_of(s.conductors.begin(), s.conductors.end(),
                         [k](const fd_conductor &c) { return c.signal == k; }))
            fail("the signals must be numbered 1..n");
    if (!s.lower_plane && !s.upper_plane && !grounds)
        fail("the section has neither a plane nor a ground conductor");
    if (s.lower_plane && s.upper_plane && !(s.upper_height > 0))
        fail("the upper plane must lie above the lower");
    for (size_t a = 0; a < s.conductors.size(); ++a)
        for (size_t b = a + 1; b < s.conductors.size(); ++b)
            if (s.conductors[a].signal != s.conductors[b].signal &&
                touch(s.conductors[a].box, s.conductors[b].box))
                fail("conductors at different potentials touch");
    for (const fd_dielectric &d : s.dielectrics)
        if (!(d.box.x0 < d.box.x1 && d.box.y0 < d.box.y1 && d.eps_r > 0))
            fail("a dielectric must be a rectangle of positive permittivity");
}

// Sorted, without repeats, keeping those strictly inside (lo, hi) and both ends.
std::vector<double> keys_within(std::vector<double> v, double lo, double hi, bool keep_lo,
                                bool keep_hi) {
    std::erase_if(v, [&](double k) { return !(k > lo && k < hi); });
    if (keep_lo) v.push_back(lo);
    if (keep_hi) v.push_back(hi);
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    return v;
}

layout describe(const fd_section &s) {
    check(s);
    layout l;
    l.conductors = s.conductors;
    for (const fd_conductor &c : s.conductors)
        l.n = std::max(l.n, c.signal);
    const bool floating = !s.lower_plane && !s.upper_plane;
    l.electrodes = floating ? l.n + 1 : l.n;
    for (const fd_conductor &c : s.conductors)
        l.electrode.push_back(c.signal > 0 ? c.signal - 1 : floating ? l.n : -1);

    // The conductors' extent, reaching to the planes.
    double bx0 = std::numeric_limits<double>::infinity(), bx1 = -bx0, by0 = bx0, by1 = -bx0;
    for (const fd_conductor &c : s.conductors) {
        bx0 = std::min(bx0, c.box.x0);
        bx1 = std::max(bx1, c.box.x1);
        by0 = std::min(by0, c.box.y0);
        by1 = std::max(by1, c.box.y1);
    }
    if (s.lower_plane) by0 = 0;
    if (s.upper_plane) by1 = s.upper_height;
    const double size = std::max(bx1 - bx0, by1 - by0);

    if (s.lower_plane && s.upper_plane) {
        double eps_max = 1, eps_min = 1;
        for (const fd_dielectric &d : s.dielectrics) {
            eps_max = std::max(eps_max, d.eps_r);
            eps_min = std::min(eps_min, d.eps_r);
        }
        const double side = 10 * s.upper_height * std::sqrt(eps_max / eps_min);
        l.x_lo = bx0 - side;
        l.x_hi = bx1 + side;
        l.y_lo = 0;
        l.y_hi = s.upper_height;
    } else {
        constexpr double reach = 1e4;
        l.x_lo = bx0 - reach * size;
        l.x_hi = bx1 + reach * size;
        l.y_lo = s.lower_plane ? 0 : by0 - reach * size;
        l.y_hi = s.upper_plane ? s.upper_height : by1 + reach * size;
    }

    std::vector<double> xs, ys;
    for (const fd_conductor &c : s.conductors) {
        xs.insert(xs.end(), {c.box.x0, c.box.x1});
        ys.insert(ys.end(), {c.box.y0, c.box.y1});
    }
    for (const fd_dielectric &d : s.dielectrics) {
        xs.insert(xs.end(), {d.box.x0, d.box.x1});
        ys.insert(ys.end(), {d.box.y0, d.box.y1});
    }
    l.xs = keys_within(xs, l.x_lo, l.x_hi, false, false);
    l.ys = keys_within(ys, l.y_lo, l.y_hi, s.lower_plane, s.upper_plane);
    return l;
}

// The half-open range of indices of the sorted `lines` lying in [lo, hi].
std::pair<int, int> lines_within(const std::vector<double> &lines, double lo, double hi) {
    const auto first = std::lower_bound(lines.begin(), lines.end(), lo);
    const auto last = std::upper_bound(lines.begin(), lines.end(), hi);
    return {static_cast<int>(first - lines.begin()), static_cast<int>(last - lines.begin())};
}

// One grid over the domain: its lines, each node's role and the free nodes' numbering.
struct grid {
    std::vector<double> x, y;
    int nx = 0, ny = 0;
    std::vector<int> fixed;   // per node: the electrode it belongs to, -1 at 0 V, -2 free
    std::vector<int> unknown; // per node: its number among the free nodes, or -1
    int count = 0;

    int node(int i, int j) const { return i + nx * j; }
};

// The coarsest grid: its cells per factor of 4 in distance from a singular point, and its
// smallest cells against the smallest feature of the section.
struct coarsest {
    int m;
    double smallest;
};

grid make_grid(const layout &l, coarsest first, int level) {
    double feature = std::min(l.x_hi - l.x_lo, l.y_hi - l.y_lo);
    for (const auto *v : {&l.xs, &l.ys})
        for (size_t k = 0; k + 1 < v->size(); ++k)
            feature = std::min(feature, (*v)[k + 1] - (*v)[k]);
    const double smallest = first.smallest * feature;
    grid g;
    g.x = fd_axis(l.xs, l.x_lo, l.x_hi, smallest, first.m, level);
    g.y = fd_axis(l.ys, l.y_lo, l.y_hi, smallest, first.m, level);
    g.nx = static_cast<int>(g.x.size());
    g.ny = static_cast<int>(g.y.size());
    g.fixed.assign(static_cast<size_t>(g.nx) * g.ny, -2);
    for (int j = 0; j < g.ny; ++j)
        for (int i = 0; i < g.nx; ++i)
            if (i == 0 || j == 0 || i == g.nx - 1 || j == g.ny - 1) g.fixed[g.node(i, j)] = -1;
    for (size_t c = 0; c < l.conductors.size(); ++c) {
        const fd_rect &r = l.conductors[c].box;
        const auto [i0, i1] = lines_within(g.x, r.x0, r.x1);
        const auto [j0, j1] = lines_within(g.y, r.y0, r.y1);
        for (int j = j0; j < j1; ++j)
            for (int i = i0; i < i1; ++i)
                g.fixed[g.node(i, j)] = l.electrode[c];
    }
    g.unknown.assign(g.fixed.size(), -1);
    for (size_t p = 0; p < g.fixed.size(); ++p)
        if (g.fixed[p] == -2) g.unknown[p] = g.count++;
    return g;
}

// Each cell's relative permittivity, (nx - 1) by (ny - 1): the last block holding its
// centre, or air.
std::vector<double> cell_permittivities(const grid &g, const std::vector<fd_dielectric> &blocks) {
    const int cx = g.nx - 1, cy = g.ny - 1;
    std::vector<double> eps(static_cast<size_t>(cx) * cy, 1.0);
    auto inside = [](const std::vector<double> &lines, int cells, double lo, double hi) {
        std::pair<int, int> range{cells, 0};
        for (int i = 0; i < cells; ++i) {
            const double centre = (lines[i] + lines[i + 1]) / 2;
            if (centre > lo && centre < hi)
                range = {std::min(range.first, i), std::max(range.second, i + 1)};
        }
        return range;
    };
    for (const fd_dielectric &d : blocks) {
        const auto [i0, i1] = inside(g.x, cx, d.box.x0, d.box.x1);
        const auto [j0, j1] = inside(g.y, cy, d.box.y0, d.box.y1);
        for (int j = j0; j < j1; ++j)
            for (int i = i0; i < i1; ++i)
                eps[i + static_cast<size_t>(cx) * j] = d.eps_r;
    }
    return eps;
}

// Calls visit(p, q, a) for every grid edge between nodes p and q with its flux
// coefficient a (relative to eps0), from the permittivities of the cells beside it.
template <class Visit>
void for_each_edge(const grid &g, const std::vector<double> &eps, Visit &&visit) {
    const int cx = g.nx - 1, cy = g.ny - 1;
    auto cell = [&](int i, int j) {
        if (i < 0 || j < 0 || i >= cx || j >= cy) return 0.0;
        return eps[i + static_cast<size_t>(cx) * j];
    };
    for (int j = 0; j < g.ny; ++j)
        for (int i = 0; i < g.nx; ++i) {
            if (i + 1 < g.nx) {
                const double dy0 = j > 0 ? g.y[j] - g.y[j - 1] : 0,
                             dy1 = j + 1 < g.ny ? g.y[j + 1] - g.y[j] : 0;
                visit(g.node(i, j), g.node(i + 1, j),
                      (cell(i, j - 1) * dy0 + cell(i, j) * dy1) / (2 * (g.x[i + 1] - g.x[i])));
            }
            if (j + 1 < g.ny) {
                const double dx0 = i > 0 ? g.x[i] - g.x[i - 1] : 0,
                             dx1 = i + 1 < g.nx ? g.x[i + 1] - g.x[i] : 0;
                visit(g.node(i, j), g.node(i, j + 1),
                      (cell(i - 1, j) * dx0 + cell(i, j) * dx1) / (2 * (g.y[j + 1] - g.y[j])));
            }
        }
}

using ldlt = Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>>;

// The Maxwell matrix (F/m) of the layout's electrodes against everything at 0 V, with the
// given cell permittivities. `solver` keeps the ordering of the sparsity pattern, which is
// the same for every medium on one grid.
Eigen::MatrixXd maxwell(const grid &g, int electrodes, const std::vector<double> &eps, ldlt &solver,
                        bool analysed) {
    std::vector<Eigen::Triplet<double>> entries;
    entries.reserve(5 * static_cast<size_t>(g.count));
    Eigen::MatrixXd rhs = Eigen::MatrixXd::Zero(g.count, electrodes);
    auto couple = [&](int p, int q, double a) { // the row of free node p
        entries.emplace_back(g.unknown[p], g.unknown[p], a);
        if (g.unknown[q] >= 0)
            entries.emplace_back(g.unknown[p], g.unknown[q], -a);
        else if (g.fixed[q] >= 0)
            rhs(g.unknown[p], g.fixed[q]) += a;
    };
    for_each_edge(g, eps, [&](int p, int q, double a) {
        if (g.unknown[p] >= 0) couple(p, q, a);
        if (g.unknown[q] >= 0) couple(q, p, a);
    });
    Eigen::SparseMatrix<double> a(g.count, g.count);
    a.setFromTriplets(entries.begin(), entries.end());
    if (!analysed) solver.analyzePattern(a);
    solver.factorize(a);
    const Eigen::MatrixXd solution = solver.solve(rhs);

    auto potential = [&](int k, int p) {
        return g.unknown[p] >= 0 ? solution(g.unknown[p], k) : g.fixed[p] == k ? 1.0 : 0.0;
    };
    Eigen::MatrixXd k_matrix = Eigen::MatrixXd::Zero(electrodes, electrodes);
    Eigen::VectorXd drop(electrodes);
    for_each_edge(g, eps, [&](int p, int q, double a) {
        for (int k = 0; k < electrodes; ++k)
            drop(k) = potential(k, p) - potential(k, q);
        k_matrix.noalias() += (eps0 * a) * drop * drop.transpose();
    });
    return k_matrix;
}

// The signals' matrix as the line sees it. With the ground conductors solved as electrode
// n against a grounded far boundary, that boundary is made to float: its charge, which is
// minus the sum of the electrodes' charges, is held at zero by shifting all the electrodes'
// potentials together against it, which leaves K_ss - a a^T / S (a the signals' row sums
// of K, S the sum of all its entries).
Eigen::MatrixXd line_matrix(const Eigen::MatrixXd &k, int n) {
    if (k.rows() == n) return k;
    const Eigen::VectorXd a = k.rowwise().sum().head(n);
    return k.topLeftCorner(n, n) - a * a.transpose() / k.sum();
}

// The matrix row-major.
std::vector<double> entries_of(const Eigen::MatrixXd &m) {
    std::vector<double> v;
    for (int i = 0; i < m.rows(); ++i)
        for (int k = 0; k < m.cols(); ++k)
            v.push_back(m(i, k));
    return v;
}

} // namespace

fd_matrices fd_solve_section(const fd_section &section, fd_accuracy accuracy) {
    // Fine: three cells per factor of 4 and innermost cells of 1/100 of the smallest
    // feature; quick: two and 1/40.
    const coarsest first = accuracy == fd_accuracy::fine ? coarsest{3, 1e-2} : coarsest{2, 2.5e-2};
    const layout l = describe(section);
    const bool dielectric = std::any_of(section.dielectrics.begin(), section.dielectrics.end(),
                                        [](const fd_dielectric &d) { return d.eps_r != 1.0; });

    constexpr int levels = 3;
    std::array<Eigen::MatrixXd, levels> c, c0;
    for (int level = 0; level < levels; ++level) {
        const grid g = make_grid(l, first, level);
        ldlt solver;
        const std::vector<double> air(static_cast<size_t>(g.nx - 1) * (g.ny - 1), 1.0);
        c0[level] = line_matrix(maxwell(g, l.electrodes, air, solver, false), l.n);
        c[level] =
            dielectric
                ? line_matrix(maxwell(g, l.electrodes, cell_permittivities(g, section.dielectrics),
                                      solver, true),
                              l.n)
                : c0[level];
    }

    // Richardson for the h^2 error, from the first two and from the last two levels.
    auto extrapolate = [](const std::array<Eigen::MatrixXd, levels> &v, int k) {
        return entries_of((4 * v[k + 1] - v[k]) / 3);
    };
    fd_matrices r;
    r.n = l.n;
    r.c = extrapolate(c, 1);
    r.c0 = extrapolate(c0, 1);
    r.c_coarse = extrapolate(c, 0);
    r.c0_coarse = extrapolate(c0, 0);
    for (size_t e = 0; e < r.c.size(); ++e) {
        r.c_error.push_back(std::abs(r.c[e] - r.c_coarse[e]) / 3);
        r.c0_error.push_back(std::abs(r.c0[e] - r.c0_coarse[e]) / 3);
    }
    return r;
}

namespace {

constexpr double none = std::numeric_limits<double>::quiet_NaN();

// The figures' values, without errors, from the two matrices (row-major).
fd_line_figures figures_of(int n, const std::vector<double> &c, const std::vector<double> &c0) {
    fd_line_figures f{none, none, none, none, none, none, none, none,
                      none, none, none, none, none, none, none, none};
    if (n == 1) {
        f.z0 = 1 / (c_light * std::sqrt(c[0] * c0[0]));
        f.eps_eff = c[0] / c0[0];
        return f;
    }
    // The lossless line: L = mu0 eps0 C0^-1, and the characteristic impedance matrix from
    // the symmetric decomposition C^1/2 L C^1/2 = U Lambda U^T as
    // Zc = C^-1/2 U Lambda^1/2 U^T C^-1/2 (the matrices symmetrised, the solved ones being
    // symmetric only to the grid's rounding).
    const double c12 = (c[1] + c[2]) / 2, c0_12 = (c0[1] + c0[2]) / 2;
    const Eigen::Matrix2d cm{{c[0], c12}, {c12, c[3]}}, c0m{{c0[0], c0_12}, {c0_12, c0[3]}};
    const Eigen::Matrix2d l = c0m.inverse() / (c_light * c_light);
    Eigen::SelfAdjointEigenSolver<Eigen::Matrix2d> c_modes, modes;
    c_modes.computeDirect(cm);
    const Eigen::Matrix2d root = c_modes.operatorSqrt(),
                          inverse_root = c_modes.operatorInverseSqrt();
    modes.computeDirect(root * l * root);
    const Eigen::Matrix2d zc = inverse_root * modes.operatorSqrt() * inverse_root;
    f.zdiff = zc(0, 0) + zc(1, 1) - zc(0, 1) - zc(1, 0);
    f.zcommon = (zc(0, 0) + zc(1, 1) + zc(0, 1) + zc(1, 0)) / 4;
    f.zodd = f.zdiff / 2;
    f.zeven = 2 * f.zcommon;
    f.eps_eff_odd = (c[0] - c12) / (c0[0] - c0_12);
    f.eps_eff_even = (c[0] + c12) / (c0[0] + c0_12);
    return f;
}

// Each figure with its error.
constexpr std::array<std::pair<double fd_line_figures::*, double fd_line_figures::*>, 8> fields{{
    {&fd_line_figures::z0, &fd_line_figures::z0_error},
    {&fd_line_figures::eps_eff, &fd_line_figures::eps_eff_error},
    {&fd_line_figures::zdiff, &fd_line_figures::zdiff_error},
    {&fd_line_figures::zcommon, &fd_line_figures::zcommon_error},
    {&fd_line_figures::zodd, &fd_line_figures::zodd_error},
    {&fd_line_figures::zeven, &fd_line_figures::zeven_error},
    {&fd_line_figures::eps_eff_odd, &fd_line_figures::eps_eff_odd_error},
    {&fd_line_figures::eps_eff_even, &fd_line_figures::eps_eff_even_error},
}};

} // namespace

// The errors as fd_solve estimates them: a third of each figure's change from the matrices
// extrapolated from the two coarser grids to those from the two finer. Taking the figures
// of whole matrices, rather than moving each entry by its own error, keeps the correlation
// of the errors of C and C0, which come from the same grids and largely cancel in
// eps_eff = C / C0.
fd_line_figures fd_figures(const fd_matrices &matrices) {
    const int n = matrices.n;
    if (n != 1 && n != 2) throw std::invalid_argument("line figures need one or two signals");
    const size_t size = static_cast<size_t>(n) * n;
    for (const auto *v : {&matrices.c, &matrices.c0, &matrices.c_coarse, &matrices.c0_coarse})
        if (v->size() != size) throw std::invalid_argument("the matrices must be n x n");
    fd_line_figures f = figures_of(n, matrices.c, matrices.c0);
    const fd_line_figures coarse = figures_of(n, matrices.c_coarse, matrices.c0_coarse);
    for (const auto &[value, error] : fields)
        f.*error = std::abs(f.*value - coarse.*value) / 3;
    return f;
}
