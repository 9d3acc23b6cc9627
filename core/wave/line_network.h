// The multiconductor line in the frequency domain: from its per-metre matrices R, L, G
// and C at one frequency (n signal conductors against the return), its propagation
// modes, its characteristic impedance matrix, the split of each mode's attenuation into
// the conductors' and the dielectric's parts, and the S-parameters of a length of it.
//
// With Z = R + j omega L and Y = G + j omega C the voltages and currents obey
//   -dV/dz = Z I,   -dI/dz = Y V,
// whose modes are the eigenvectors of Z Y (mode_basis.h): mode k travels as
// exp(-gamma_k z). The characteristic impedance matrix relates the voltages and currents
// of waves travelling one way, V = Zc I, with Zc = (Z Y)^(1/2) Y^-1, symmetric for a
// reciprocal line.
//
// Each mode's attenuation comes from the power it loses: a single mode's V and I satisfy
//   2 alpha Re(V^H I) = I^H R I + V^H G V
// exactly (the derivative of its power flow), so the conductors' part is alpha times
// I^H R I over the sum and the dielectric's the rest; for a low-loss line they are the
// familiar R / (2 Z0) and G Z0 / 2.
//
// At f = 0 there is no wave unless both R and G act: gamma_k is the root of the
// eigenvalues of R G, zero when either matrix is (a dielectric's loss vanishes at DC).
// The mode shapes and Zc are then the limits as f -> 0+, led by R (or j omega L when R is
// zero) and G (or j omega C when G is zero):
//   R and G both zero: the lossless line's Zc = (L C)^(1/2) C^-1, constant at every f;
//   both non-zero: Zc = (R G)^(1/2) G^-1;
//   R zero, G not: Zc = 0;
//   R not zero, G zero (a real line's DC): Zc grows without bound as f^(-1/2), and every
//   entry of zc is reported as +infinity (real part; imaginary part 0). So is it when G
//   is singular without being zero. The caller shows such a Zc as infinite.
// The S-parameters need no such care: they come from the chain relations of each mode,
// entire functions of gamma^2, and are the resistive network's at DC.
#pragma once

#include "core/base/calc_env.h"
#include "core/base/env_vector.h"

#include <complex>

struct wave_modes {
    explicit wave_modes(const calc_env &env)
        : gamma(env_allocator<std::complex<double>>(env)),
          voltages(env_allocator<std::complex<double>>(env)),
          zc(env_allocator<std::complex<double>>(env)), alpha_conductor(env_allocator<double>(env)),
          alpha_dielectric(env_allocator<double>(env)) {}

    int n = 0;
    env_vector<std::complex<double>> gamma;    // per mode, alpha + j beta (1/m), slowest first
    env_vector<std::complex<double>> voltages; // mode k's voltages at k * n, the largest 1
    env_vector<std::complex<double>> zc;       // n x n, row-major, ohms: V = Zc I one way
    env_vector<double> alpha_conductor;        // per mode, Np/m, from R
    env_vector<double> alpha_dielectric;       // per mode, Np/m, from G; the two sum to
                                               // Re gamma
};

// The modes of the line of n conductors at frequency f (Hz, f >= 0) from its row-major
// n x n matrices r (ohm/m), l (H/m), g (S/m) and c (F/m). The slowest mode (largest beta;
// at DC, the one slowest as f -> 0+) comes first. Returns true, or false after reporting
// through the environment's error slot when the matrices are refused (wave_line.h), the
// modes cannot be separated or the memory cannot be had.
bool wave_modes_of(const calc_env &env, double f, int n, const double *r, const double *l,
                   const double *g, const double *c, wave_modes &out);

// The (2n) x (2n) row-major S-matrix of `length` metres of the line, every port
// referenced to z_ref ohms: ports 1..n at the near end on conductors 1..n, ports
// n+1..2n at the far end on conductors 1..n, written to s. Returns true, or false after
// reporting through the environment's error slot when the matrices are refused, the
// length is negative or not finite, z_ref is not positive and finite, the modes cannot
// be separated or the memory cannot be had.
bool wave_s_parameters(const calc_env &env, double f, int n, const double *r, const double *l,
                       const double *g, const double *c, double length, double z_ref,
                       std::complex<double> *s);

// A pair's figures from its Zc (modes.n == 2): the differential impedance Zc11 + Zc22 -
// Zc12 - Zc21, between the two conductors driven in opposition, and the common one
// (Zc11 + Zc22 + Zc12 + Zc21) / 4, of both driven together against the return. Both are
// infinite when Zc is. Cannot fail.
struct wave_pair {
    std::complex<double> zdiff, zcommon;
};

wave_pair wave_pair_of(const wave_modes &modes);
