// The moment-method system of a panel set, in the column-major order LAPACK factorises.
// The unknowns are the panels' total (free plus polarisation) charge densities divided by
// eps0. A conductor or sheet panel's row states its potential,
//   -1/(2 pi) sum_j x_j (I_ij - I'_ij) = V,
// with I_ij the logarithmic integral of panel j at panel i's centre and I' that of j's
// mirror image in the ground plane, if there is one. An interface panel's row states that
// the normal flux density is continuous across it: with E_n the mean normal field of the
// other panels and the panel's own jump x_i / 2 on either side,
//   eps_f (E_n + x_i / 2) = eps_b (E_n - x_i / 2),
// divided by eps_f - eps_b. The vacuum problem has only the conductor panels, all in air.
#pragma once

#include "core/graded/panels.h"

#include <span>

// Fills a (n x n, column-major, n = conductor_count in vacuum, else every panel) and the
// free-charge functionals f (electrode_count rows of n, row-major): the free charge per
// metre of electrode k, divided by eps0, is sum_j f[k n + j] x_j. A conductor face's free
// charge is its total charge times the permittivity it touches; a sheet's is the mean of
// its two sides' permittivities times its charge plus their difference times the mean
// normal field (the two faces' charges differ by the field's jump). The columns are
// shared out to the environment's threads, and its progress sink hears of them. Returns
// false, the system then only partly filled, when the environment's cancel flag stops
// it; true otherwise.
bool panel_system_fill(const calc_env &env, const panel_set *set, bool vacuum, double *a,
                       double *f);

// The same for a mirrored set's two drives at once, from one evaluation of every
// integral: the even system (each image with the panel's charge) into a and f, the odd
// one (the opposite charge) into a_odd and f_odd; the problem with the dielectrics
// only. Returns false when cancelled.
bool panel_system_fill_halves(const calc_env &env, const panel_set *set, double *a, double *f,
                              double *a_odd, double *f_odd);

// The field at a point p off the panels, per unit of the unknowns x (the slab problem's,
// every panel's), with the images of the mirror plane and the ground plane: x is total
// charge over eps0, so this is the electric field in volts per metre. Cannot fail.
xs_point panel_system_field_at(const panel_set *set, const double *x, xs_point p);

// The mean normal field at panel i's centre, divided by eps0's reciprocal like the rows:
// sum_j x_j times the field part of interface row i, for the slab problem's unknowns x.
double panel_system_mean_field(const panel_set *set, std::int32_t i, const double *x);

// The potential (V) at each point, -1/(2 pi) sum_j x_j I_j(p) with the images, for the
// unknowns x of every panel: each panel's images are set up once and seen from every
// point, the points shared out to the environment's threads. Returns false when the
// environment's cancel flag stops it.
bool panel_system_potentials(const calc_env &env, const panel_set *set, const double *x,
                             std::span<const xs_point> points, double *out);
