// The accurate variant's steps of one calculation: the line as entered described as a
// cross-section of polygons, its graded panels, the factorised solve, the result lines
// and the view of the strips' charges for the plot.
#pragma once

#include "core/job/calc_job.h"

// The overhang that stands for an infinite slab: 100 h, beyond which the slab's end
// faces move Z0 and the effective permittivity by less than 1e-7.
double accurate_auto_overhang(double h);

// The nominal step the automatic mesh step stands for (metres): half the mesh's
// automatic step of the same line (of the mirrored pair, for a microstrip).
double accurate_auto_step(const calc_params *params);

// The panel density of a mesh step: 1 at twice the automatic step, doubling the panels
// of every segment each time the step is halved.
double accurate_density(const calc_params *params);

// Meshes and solves the line of params (p resolved), writing the mesh and result lines
// through the host and filling outcome. Returns the chart mesh (also outcome->mesh),
// owned by the caller like the charge vectors in outcome, or null when meshing failed.
// Over-large meshes are refused with the cell count and the memory they would need.
mesh_t *accurate_steps(calc_host *host, const calc_params *params, calc_outcome *outcome);
