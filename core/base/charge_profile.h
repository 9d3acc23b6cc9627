// The charges of a solved line as both variants hand them to their hosts: one cell per
// boundary element, with its place, its extent and its free and total charge density,
// so that a chart or a table reads the same record whatever mesh produced it.
#pragma once

#include "core/base/calc_env.h"

#include <cstdint>
#include <memory>

enum class charge_kind {
    conductor, // a strip or a trace: its face, or a sheet
    face,      // a bare dielectric face (the uniform variant's slab faces)
    plane,     // a sample of the ground plane's surface, y = 0
};

struct charge_cell {
    double x, y;       // centre, metres
    double half_width; // half the cell's extent along the boundary, metres
    double tx, ty;     // unit tangent along the boundary
    charge_kind kind;
    int conductor; // a conductor cell's conductor (0 the top strip, 1 the bottom one), else -1
    bool upper;    // on the upper face of the slab (the top strip's side)
    double along;  // where the centre lies along its conductor's outline (metres from its
                   // first corner); x for faces and the plane
    double free_charge;
    double total_charge;
};

// The cells of the slab problem, in the order their variant keeps them: for a flat
// profile (the uniform variant's strips and faces, told apart by x and the face), each
// strip and face left to right; otherwise each conductor round its outline, then the
// ground plane's samples left to right.
struct charge_profile {
    std::int32_t count;
    charge_cell *cells; // owned
    bool flat;
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
