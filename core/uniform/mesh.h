// The boundary-element mesh: the two strips and the bare parts of both slab faces, cut
// into flat cells of uniform charge. x runs to the right from the middle of the span of
// the two strips; which face a cell lies on follows from its index range.
#pragma once

#include <cstdint>
#include <memory>

// One boundary element, covering [center - half_width, center + half_width] (metres).
struct cell_t {
    double center;
    double half_width;
};

// Index ranges: [strip1_begin, strip2_begin) top strip, [strip2_begin, dielectric_begin)
// bottom strip, [dielectric_begin, lower_dielectric_begin) bare top face (left piece,
// then right piece), [lower_dielectric_begin, cell_count) bare bottom face. Each range
// runs left to right.
struct mesh_t {
    double h;         // vertical distance between the two faces, metres
    double epsilon_r; // the permittivity the solver uses: > 1.35, or exactly 1.0
    std::int32_t strip1_begin;
    std::int32_t strip2_begin;
    std::int32_t dielectric_begin;
    std::int32_t lower_dielectric_begin;
    std::int32_t cell_count;
    cell_t *cells;         // owned; capacity entries, the first cell_count of them used
    std::int32_t capacity; // fixed at construction; cells are never reallocated
};

// The nominal cell width mesh_new uses: mesh_step itself, or for a mesh_step <= 0 the
// automatic fmin(0.15 h, 0.025 (w1 + w2)). Cannot fail.
double mesh_effective_step(double w1, double w2, double h, double mesh_step);

// Builds the mesh of one geometry (metres; d is signed, mesh_step <= 0 is automatic).
// Returns a new mesh owned by the caller, or null after reporting the failure through
// the sinks: a length that is not positive, or memory that cannot be had (including a
// cell count that does not fit a signed 32-bit count).
mesh_t *mesh_new(double w1, double w2, double d, double p, double h, double epsilon_r,
                 double mesh_step);

// Releases the cells and the record. Null is accepted. Cannot fail.
void mesh_free(mesh_t *mesh);

struct mesh_deleter {
    void operator()(mesh_t *mesh) const { mesh_free(mesh); }
};

// A mesh owned by its scope, released with mesh_free on every path out of it.
using mesh_ptr = std::unique_ptr<mesh_t, mesh_deleter>;
