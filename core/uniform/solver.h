// The moment-method solution of one line: the vacuum problem (the strips alone) and the
// slab problem (the strips on the dielectric slab), each with the strip voltages chosen
// so that the strips carry no net free charge, give C0, C and Z0 = 1 / (c sqrt(C0 C)).
#pragma once

#include "core/dense/matrix.h"
#include "core/uniform/mesh.h"

#include <cstddef>

// Free and total charge density of each cell (two column vectors of one length, element
// i for mesh cell i), owned by the receiver. The scale is arbitrary: the strip voltages
// are not normalised.
struct charge_pair {
    md_t *free_charge;
    md_t *total_charge;
};

// Solves the line of the mesh and returns Z0 in ohms, or -1.0 after reporting the
// failure through the sinks; then none of the outputs is written. On success the vacuum
// pair (S strip cells) and the slab pair (N cells) go to the receivers, or are released
// where a receiver is null, and capacitances[0] = C0, capacitances[1] = C in farads per
// metre unless capacitances is null. A system whose result is not finite (singular)
// counts as a failure.
double solve_line(const mesh_t *mesh, charge_pair *vacuum_charges, charge_pair *slab_charges,
                  double *capacitances);

// The largest working set solve_line holds for the mesh, in bytes. Cannot fail.
std::size_t solve_line_bytes(const mesh_t *mesh);
