// The cell integrals of the moment-method matrices in closed form, for the accurate
// solver variant. Each is the difference of an antiderivative at the cell's two ends,
// relative to the row point xi:
//   ln |u|               ->  u ln |u| - u
//   ln sqrt(u^2 + h^2)   ->  (u ln(u^2 + h^2)) / 2 - u + h atan(u / h)
//   h / (u^2 + h^2)      ->  atan(u / h)
// Unlike a trapezoid sum they do not depend on how many nodes rounding lets into a
// cell, so the answer moves smoothly as the mesh is refined.
#pragma once

#include "mesh.h"

// The integral of ln |x - xi| over the cell; at the cell's own centre this is the self
// term 2a (ln a - 1).
double exact_same_face(double xi, const cell_t &cell);

// The integrals of ln sqrt((x - xi)^2 + h^2) and of h / ((x - xi)^2 + h^2).
struct exact_pair {
    double potential;
    double field;
};
exact_pair exact_opposite_face(double xi, const cell_t &cell, double h);

// The integral of h / ((x - xi)^2 + h^2) alone.
double exact_field(double xi, const cell_t &cell, double h);
