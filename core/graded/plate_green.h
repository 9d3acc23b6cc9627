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

// The remainder's integral over the panel from a to b and its gradient at p; all three
// points between the plates of the given spacing. Cannot fail.
panel_influence plate_remainder(xs_point a, xs_point b, double spacing, xs_point p);
