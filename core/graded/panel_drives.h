// The charges of a factorised panel system when each signal conductor in turn is at
// 1 V, the other conductors, the ground and the planes at 0 V: the drives that the
// losses' models (the regions' shares, the surface currents) are built from.
#pragma once

#include "core/graded/lu_solve.h"
#include "core/graded/panels.h"

#include <span>
#include <vector>

// Solves the system (order lu->n: the conductor panels in vacuum, else every panel) for
// each signal electrode at 1 V into x (electrode-major, lu->n values each). Without a
// plane a section not closed by a shield is given, in each drive, the common potential
// of all its conductors that leaves it neutral (f: the free-charge functionals,
// functional-major); an enclosed one is neutral already. Returns false when the system
// is not factored.
bool panel_drives_solve(const panel_set &set, const lu_system *lu, std::span<const double> f,
                        std::vector<double> &x);
