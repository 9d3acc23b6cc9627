// Filling of the two moment-method matrices of the slab problem: the potential and
// flux-continuity matrix P and the free-charge matrix F.
#pragma once

#include "core/dense/matrix.h"
#include "core/uniform/mesh.h"

// 1 / (2 pi eps0) in metres per farad, rounded as the calculator has always used it.
constexpr double potential_factor = 1.8e10;

// Fills P and F (both N x N, N = cell_count, zeroed by the caller) for the mesh. Strip
// rows of P give the potential at the cell's centre, dielectric rows the continuity of
// the normal flux density across the bare slab face; a row of F gives the free charge
// density of a cell from the total charge densities of all cells. Returns false, the
// matrices then only partly filled, when the bound environment's cancel flag stops it
// between two runs of rows; true otherwise.
bool assemble_system(const mesh_t *mesh, md_t *potential, md_t *free_charge);
