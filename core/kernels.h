// The integrals over one cell that fill the moment-method matrices, each taken by the
// same trapezoid rule of 100 sub-intervals. Pure functions of a row point, a column
// cell and the slab thickness; the coefficients are applied by the assembly.
#pragma once

#include "mesh.h"

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

// Whether the rule over `cell` from the row point xi takes exactly the offsets x - xi
// (every node and the left end, bit for bit, and the same delta) that it takes over
// `seen` from seen_xi. Every kernel above depends on its nodes only through these
// offsets (and h), so then each returns exactly what it returned for the seen pair.
// False also where a cell has more nodes than the rule allows. Cannot fail.
bool kernel_same_offsets(double xi, const cell_t &cell, double seen_xi, const cell_t &seen);

// The exact integral of the same-face potential over a cell of half width a taken at
// its own centre: (a * -3.6e10) * (ln a - 1).
double kernel_self(double a);
