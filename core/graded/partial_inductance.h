// The partial inductances of the current basis: for two basis functions b_i and b_j,
//   L_ij = -mu0 / (2 pi)  integral integral b_i(r) b_j(r') g(r, r') dA dA',
// g the two-dimensional Green's function of the magnetic vector potential: ln |r - r'|
// in the open; with a ground plane minus the logarithm from the mirror image (a perfect
// conductor's surface is a line of constant potential, as in electrostatics); between
// two planes the potential of a line between grounded plates. The free-space part is
// integrated exactly where it is singular or nearly so (two rectangles in closed form,
// annuli by their multipole expansion), the smooth image part by Gauss-Legendre points.
#pragma once

#include "core/graded/current_basis.h"

// mu0 of CODATA 2018.
constexpr double partial_mu0 = 1.25663706212e-6;

// Fills l (n x n, row-major, n = basis.size()) with the partial inductances in henries
// per metre, for the planes the section has. Returns false when the environment's
// cancel flag stops it.
bool partial_inductance_fill(const calc_env &env, const cross_section &section,
                             std::span<const current_basis> basis, double *l);

// The mean of ln |r - r'| over two rectangles [x0, x1] x [y0, y1] (each given by its
// centre and sides): the closed form of the fourfold integral, or, for rectangles far
// apart against their size, the centre distance's logarithm with its second-order
// correction. Cannot fail.
double partial_rectangles_log_mean(const current_basis &a, const current_basis &b);

// The integral of b(r') ln |p - r'| over an annulus basis function at the point p,
// exact by the multipole expansion of the logarithm about the centre. Cannot fail.
double partial_annulus_potential(const current_basis &b, xs_point p);
