// The accurate variant's steps of one calculation: the line as entered described as a
// cross-section of polygons, its graded panels, the factorised solve, the result lines
// and the charges of the strips for the host.
#pragma once

#include "core/base/calc_host.h"

// The overhang that stands for an infinite slab: 100 h, beyond which the slab's end
// faces move Z0 and the effective permittivity by less than 1e-7.
double accurate_auto_overhang(double h);

// The nominal step the automatic mesh step stands for (metres): half the mesh's
// automatic step of the same line (of the mirrored pair, for a microstrip).
double accurate_auto_step(const calc_params &params);

// The panel density of a mesh step: 1 at twice the automatic step, doubling the panels
// of every segment each time the step is halved.
double accurate_density(const calc_params &params);

// Runs the steps on params (rewritten in place: d for the microstrip, p for the
// automatic overhang), writing the lines through the host and filling outcome. Returns
// the strips' charges, owned by the caller, or null when meshing or solving failed
// (reported through env). A mesh whose solve would not fit the memory is refused with
// its cell count and the memory it would need.
charge_profile *graded_steps(calc_host &host, calc_params &params, calc_outcome &outcome,
                             const calc_env &env);
