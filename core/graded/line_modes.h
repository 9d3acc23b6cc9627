// The lossless multiconductor line from its per-length capacitance matrices: the
// inductance matrix L = mu0 eps0 C0^-1 (the conductors' magnetic field does not see the
// dielectrics), the propagation modes and the characteristic impedance matrix by the
// symmetric decomposition of C. R. Paul (Analysis of Multiconductor Transmission Lines,
// ch. 7): with C = C^(1/2) C^(1/2),
//   C^(1/2) L C^(1/2) = U Lambda U^T       (U orthogonal, Lambda > 0)
//   Zc = C^(-1/2) U Lambda^(1/2) U^T C^(-1/2),
// mode k travelling at 1 / sqrt(Lambda_k) (effective permittivity c^2 Lambda_k) with the
// voltages C^(-1/2) u_k on the conductors. Zc is symmetric; it relates the voltages and
// currents of waves travelling one way, V = Zc I.
#pragma once

#include "core/base/calc_env.h"
#include "core/base/env_vector.h"

struct line_modes {
    explicit line_modes(const calc_env &env)
        : l(env_allocator<double>(env)), zc(env_allocator<double>(env)),
          mode_z(env_allocator<double>(env)), mode_eps_eff(env_allocator<double>(env)),
          mode_voltages(env_allocator<double>(env)) {}

    int n = 0;
    env_vector<double> l;             // n x n, row-major, henries per metre
    env_vector<double> zc;            // n x n, ohms
    env_vector<double> mode_z;        // per mode: its voltage over its current on the
                                      // conductor where its voltage is largest
    env_vector<double> mode_eps_eff;  // per mode, slowest first
    env_vector<double> mode_voltages; // mode k's voltages at k * n, largest magnitude 1
};

// Whether the n x n row-major matrix is symmetric as a per-length matrix of a
// reciprocal line must be: reciprocity makes C symmetric, and the collocated solution is
// so only to its discretisation error, which a coarse layout with dielectrics puts near
// 1e-3 of the diagonal; an asymmetry of a percent is no longer discretisation but a
// fault. Cannot fail.
bool line_matrix_symmetric(int n, const double *m);

// The modes of the line with Maxwell matrices c and c0 (n x n, row-major, F/m). Returns
// true, or false after reporting through the environment's error slot when a matrix is
// not symmetric positive definite or the memory cannot be had.
bool line_modes_of(const calc_env &env, int n, const double *c, const double *c0, line_modes &out);

// A pair's figures from its modes: Zdiff = Zc11 + Zc22 - Zc12 - Zc21, Zcommon =
// (Zc11 + Zc22 + Zc12 + Zc21) / 4, the mode whose voltages have opposite signs (the odd
// mode of a symmetric pair) and the one whose voltages share their sign (the even mode),
// and the coupling coefficient (Zeven - Zodd) / (Zeven + Zodd).
struct pair_figures {
    double zdiff, zcommon;
    double zodd, zeven;
    double eps_eff_odd, eps_eff_even;
    double coupling;
    double odd_ratio, even_ratio; // V2 / V1 of each mode: -1 and 1 for a symmetric pair
};

pair_figures pair_figures_of(const line_modes &modes);
