// A multiconductor line's per-metre matrices at one frequency, checked and made ready
// for its waves: the series impedance Z = R + j omega L and the shunt admittance
// Y = G + j omega C of its n signal conductors against the return. Reciprocity makes all
// four real matrices symmetric; a field solver's are so only to its discretisation
// error, so they are taken symmetrised, and an asymmetry beyond that is refused as a
// fault. Passivity makes L and C positive definite and R and G positive semidefinite.
#pragma once

#include "core/wave/complex_matrix.h"

struct wave_line {
    explicit wave_line(const calc_env &env)
        : r(env_allocator<double>(env)), l(env_allocator<double>(env)),
          g(env_allocator<double>(env)), c(env_allocator<double>(env)),
          z(env_allocator<std::complex<double>>(env)), y(env_allocator<std::complex<double>>(env)) {
    }

    int n = 0;
    double omega = 0;              // rad/s
    env_vector<double> r, l, g, c; // n x n, row-major, symmetrised
    complex_matrix z, y;           // R + j omega L, G + j omega C
};

// The line of n conductors at frequency f (Hz) from its row-major n x n matrices (ohm/m,
// H/m, S/m, F/m). Returns false after reporting through the environment's error slot
// when n is below 1, f is negative or not finite, an entry is not finite, a matrix is
// not symmetric, L or C is not positive definite or R or G has a negative eigenvalue.
// Throws std::bad_alloc when the environment refuses a block.
bool wave_line_of(const calc_env &env, double f, int n, const double *r, const double *l,
                  const double *g, const double *c, wave_line &out);
