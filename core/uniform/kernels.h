// The integrals over one cell that fill the moment-method matrices, each taken by the
// same trapezoid rule of 100 sub-intervals. Pure functions of a row point, a column
// cell and the slab thickness; the coefficients are applied by the assembly.
#pragma once

#include "core/uniform/mesh.h"

// The trapezoid sum of one integrand over a cell, before any coefficient: the entry is
// (bracket * coefficient) * delta.
struct trapezoid {
    double bracket;
    double delta;
};

// Both opposite-face integrands in one pass over the same nodes.
struct trapezoid_pair {
    double potential; // bracket of ln(sqrt((x - xi)^2 + h^2))
    double field;     // bracket of h / ((x - xi)^2 + h^2)
    double delta;
};

// ln |x - xi| over the cell: the potential of a cell on the same face.
trapezoid kernel_same_face(double xi, const cell_t &cell);

// The opposite-face potential and normal field over the cell, the faces h apart.
trapezoid_pair kernel_opposite_face(double xi, const cell_t &cell, double h);

// The opposite-face normal field h / ((x - xi)^2 + h^2) alone.
trapezoid kernel_field(double xi, const cell_t &cell, double h);

// The most points at which the rule below evaluates its integrands over a cell that
// kernel_points lists: the 99 or 100 nodes of a regular cell and its left end.
constexpr int kernel_point_capacity = 102;

// The points at which the rule evaluates its integrands over `cell`, in its order (the
// nodes, then the left end), into x, and the rule's delta; returns their number, or 0
// when there are more than kernel_point_capacity. Every kernel above depends on these
// points only through x - xi (and h): two pairs of row point and cell with the same
// delta and bit for bit the same offsets get the same result. Cannot fail.
int kernel_points(const cell_t &cell, double *x, double *delta);

// The exact integral of the same-face potential over a cell of half width a taken at
// its own centre: (a * -3.6e10) * (ln a - 1).
double kernel_self(double a);
