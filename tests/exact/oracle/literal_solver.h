// The moment-method solution written out in the reference order on the reference loops:
// the oracle of solve_line.
#pragma once

#include "core/uniform/mesh.h"

#include <vector>

struct literal_solution {
    double c0, c, z0;
    std::vector<double> vacuum_free, vacuum_total, slab_free, slab_total;
};

// Seconds spent in each phase, for the benchmark.
struct literal_phase_times {
    double fill, invert_strips, invert_system, extract;
};

literal_solution literal_solve(const mesh_t &mesh, literal_phase_times *times = nullptr);
