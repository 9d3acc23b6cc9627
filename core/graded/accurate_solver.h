// The accurate line solve over a panel set: the vacuum problem (the conductors alone in
// air) and the slab problem, each factorised once; C0, C and Z0 = 1 / (c sqrt(C0 C)) with
// the exact constants. Two electrodes are driven with the voltages that leave them no net
// free charge (one transposed solve finds them, one plain solve the charges); a single
// electrode over the ground plane is driven at 1 V against it.
#pragma once

#include "core/graded/panels.h"

#include <cstddef>

// eps0 of CODATA 2018 and the defined speed of light.
constexpr double accurate_epsilon0 = 8.8541878128e-12;
constexpr double accurate_light_speed = 299792458.0;

struct accurate_solution {
    explicit accurate_solution(const calc_env &env)
        : free_charge(env_allocator<double>(env)), total_charge(env_allocator<double>(env)) {}

    double c0 = 0; // farads per metre of the line as described (a microstrip with its plane)
    double c = 0;
    double z0 = 0; // ohms
    // The slab problem's charge densities per panel (coulombs per square metre per volt
    // between the electrodes), in panel order.
    env_vector<double> free_charge;
    env_vector<double> total_charge;
};

// The largest working set of one solve of this set, in bytes.
std::size_t accurate_solve_bytes(std::int32_t panel_count);

// Solves the set. Returns Z0, or -1.0 after reporting the failure through the
// environment's sinks ("Calculation failed" last); the solution is then not written.
double accurate_solve(const calc_env &env, const panel_set *set, accurate_solution *solution);

// The Maxwell capacitance matrices of the set's signal electrodes (n = electrode_count):
// c with the dielectrics and c0 in vacuum, n x n row-major in farads per metre, of the
// whole section (a mirrored set's kept half with its image). Column k holds the free
// charges when electrode k is at 1 V and every other conductor at the reference: the
// planes and the ground conductors, or, with no plane (a coplanar line, a coaxial
// shield), the ground conductors at the common potential that leaves the section without
// net charge, as a line's return current demands. One factorisation per problem serves
// every electrode. Returns true, or false after reporting the failure ("Calculation
// failed" or the cancellation last), c and c0 then not to be used.
bool accurate_capacitances(const calc_env &env, const panel_set *set, double *c, double *c0);

// The same for a mirrored set's even drive (each image at the panel's voltage) and odd
// drive (at the opposite one) at once, from one fill: the charges of the kept half.
// Holds both systems and their vacuum blocks: at most four times accurate_solve_bytes.
bool accurate_capacitance_halves(const calc_env &env, const panel_set *set, double *c_even,
                                 double *c0_even, double *c_odd, double *c0_odd);
