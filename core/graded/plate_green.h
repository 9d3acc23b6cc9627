// The potential of a line charge between two grounded plates, y = 0 and y = H: with
// a = pi / 2H, the charge at zeta seen from z,
//   ln |sinh(a (z - zeta))| - ln |sinh(a (z - conj(zeta)))|,
// vanishes on both plates and is the free-space logarithm near the charge. It is split
// into what the closed-form panel integrals already do exactly, the charge and its two
// nearest images in the plates,
//   ln |z - zeta| - ln |z - conj(zeta)| - ln |z - conj(zeta) - 2iH|,
// and a remainder that is smooth wherever both points lie between the plates: its
// nearest singularity is a plate's distance away. The remainder is integrated over a
// panel by Gauss-Legendre on pieces no longer than a quarter of H (two points on a panel
// within an eighth of H), which keeps the quadrature error below about 1e-8 of the
// panel's own term.
#pragma once

#include "core/graded/panel_integrals.h"

#include <complex>
#include <vector>

// One quadrature node of a source panel with the exponentials of a zeta and of a
// conj(zeta) that the remainder's hyperbolic functions factor into: exp(a (z - zeta)) is
// exp(a z) exp(-a zeta), so a column of the system takes one exponential per row.
struct plate_node {
    std::complex<double> zeta;
    double weight;
    std::complex<double> grow, shrink;             // exp(a zeta), exp(-a zeta)
    std::complex<double> image_grow, image_shrink; // the same of conj(zeta)
};

// A source panel's nodes. Far along the plates (a few hundred spacings) the factored
// exponentials would overflow, and each pair's own is taken instead.
struct plate_source {
    double spacing, scale; // H and a = pi / 2H
    bool factored;         // every node's exponentials are finite
    std::vector<plate_node> nodes;
};

// The panel from a to b between the plates of the given spacing. Cannot fail but for
// memory (std::bad_alloc).
plate_source plate_source_of(xs_point a, xs_point b, double spacing);

// The remainder's integral over the panel and its gradient at p, between the plates.
// Cannot fail.
panel_influence plate_remainder(const plate_source &source, xs_point p);
