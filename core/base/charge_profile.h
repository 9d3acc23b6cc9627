// The charges of a solved line as both variants hand them to their hosts: one cell per
// boundary element, with its place, its extent and its free and total charge density,
// so that a chart or a table reads the same record whatever mesh produced it.
#pragma once

#include "core/base/calc_env.h"

#include <cstdint>
#include <memory>

struct charge_cell {
    double x, y;       // centre, metres
    double half_width; // half the cell's extent along the boundary, metres
    double tx, ty;     // unit tangent along the boundary
    int conductor;     // 0 the top strip, 1 the bottom strip, -1 a bare dielectric face
    bool upper;        // on the upper face of the slab (the top strip's side)
    double free_charge;
    double total_charge;
};

// The cells of the slab problem, in the order their variant keeps them.
struct charge_profile {
    std::int32_t count;
    charge_cell *cells; // owned
};

// A profile of count cells with unset contents, owned by the caller, or null when the
// memory cannot be had (reported through the environment's error slot).
charge_profile *charge_profile_new(const calc_env &env, std::int32_t count);

// Releases the cells and the record. Null is accepted. Cannot fail.
void charge_profile_free(charge_profile *profile);

struct charge_profile_deleter {
    void operator()(charge_profile *profile) const { charge_profile_free(profile); }
};
using charge_profile_ptr = std::unique_ptr<charge_profile, charge_profile_deleter>;
