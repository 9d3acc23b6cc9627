// The conductors' surface currents when the skin depth is small against every conductor:
// the current then flows in a thin layer under each surface, distributed as the charge
// of the same conductors in vacuum (a TEM wave's surface current and charge are in
// proportion, J = v rho), and each surface element of surface resistance Rs dissipates
// Rs |J|^2. For the signal conductors' currents I (the ground conductors and the planes
// carrying the return), the internal impedance per metre is, to first order in the skin
// depth delta,
//   Z = (1 + j) Rs K + K_curv / (2 sigma) + (1 - j) 3 delta K_curv2 / (16 sigma),
//   Rs = sqrt(omega mu0 / (2 sigma)),
//   K_ij = integral J_i J_j dl,  K_curv_ij = integral kappa J_i J_j dl,
//   K_curv2_ij = integral kappa^2 J_i J_j dl,
// J_i the surface current density per ampere in signal conductor i, over every conductor
// surface and the planes (whose density is the field at them). The curvature kappa (1/r
// on a wire, -1/r inside a tube) gives the next two terms of a round conductor's
// impedance, from the asymptotic series of I0 / I1 (a wire) and K0 / K1 (a tube's inside),
// 1 +- 1/(2z) + 3/(8z^2): a wire's R = Rs / (2 pi a) + Rdc / 4 + 3 delta / (32 pi a^3 sigma).
// Corners have no such terms; their error falls as the skin depth does.
#pragma once

#include "core/base/env_vector.h"
#include "core/graded/cross_section.h"

struct surface_currents {
    explicit surface_currents(const calc_env &env)
        : k(env_allocator<double>(env)), k_curvature(env_allocator<double>(env)),
          k_curvature2(env_allocator<double>(env)), k_planes(env_allocator<double>(env)),
          l_external(env_allocator<double>(env)) {}

    int signal_count = 0;
    env_vector<double> k;            // signals x signals, 1/m: every surface but the planes'
    env_vector<double> k_curvature;  // signals x signals, 1/m^2
    env_vector<double> k_curvature2; // signals x signals, 1/m^3
    env_vector<double> k_planes;     // signals x signals, 1/m: the planes' part
    env_vector<double> l_external;   // signals x signals, H/m: mu0 eps0 C0^-1 of this solve
};

// Solves the section's conductors in vacuum at the panel density and integrates the
// surface currents. Returns false after reporting through the environment's sinks: a
// conductor of zero thickness, a cancellation, the memory, or a failed solve.
bool surface_currents_of(const calc_env &env, const cross_section &section, double density,
                         surface_currents &out);
