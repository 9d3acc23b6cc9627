// The propagation modes of a multiconductor line: the eigen-decomposition
//   Z Y = T diag(lambda) T^-1,
// column k of T the voltages of mode k on the conductors and lambda_k = gamma_k^2. The
// voltages V = T v and the currents I = T^-T i decouple the telegrapher's equations into
// one scalar line per mode (T^-1 Z T^-T and T^T Y T are diagonal for distinct
// eigenvalues, block-diagonal over equal ones). In a homogeneous medium every eigenvalue
// is the same and any basis of voltages propagates unchanged; the natural one is then
// the capacitance matrix's own, the odd and even drives of a symmetric pair.
#pragma once

#include "core/wave/complex_matrix.h"

struct mode_basis {
    explicit mode_basis(const calc_env &env)
        : t(env_allocator<std::complex<double>>(env)),
          t_inv(env_allocator<std::complex<double>>(env)),
          lambda(env_allocator<std::complex<double>>(env)) {}

    complex_matrix t;                        // n x n, mode k in column k, unit 2-norm
    complex_matrix t_inv;                    // T^-1
    env_vector<std::complex<double>> lambda; // per mode, gamma^2 (1/m^2)
};

// The modes of the product m (n x n) of a line's series and shunt matrices by LAPACK's
// zgeev; when all eigenvalues agree to 1e-12 of the largest (all zero included), the
// eigenvectors of the symmetric real `natural` (n x n) instead. False when LAPACK fails
// or T is singular. Throws std::bad_alloc when the environment refuses a block.
bool mode_basis_of(const calc_env &env, int n, const complex_matrix &m,
                   const env_vector<double> &natural, mode_basis &out);

// The propagation constant alpha + j beta of the mode whose eigenvalue is gamma^2: of
// the two roots, the one in the first quadrant, attenuating and advancing in +z, which
// a passive line's modes have. Rounding can leave a lossless mode's eigenvalue a hair
// below the negative real axis; the root is still the one with beta > 0, its alpha a
// rounding below zero. Cannot fail.
std::complex<double> mode_gamma(std::complex<double> lambda);
