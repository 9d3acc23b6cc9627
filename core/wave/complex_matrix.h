// Square complex matrices, row-major, in a run's core blocks: what a line's waves are
// computed with. A line has a handful of conductors, so products are plain loops; the
// solves go to LAPACK's zgesv. The functions that return a matrix throw std::bad_alloc
// when the environment refuses its block, as every env_vector does.
#pragma once

#include "core/base/env_vector.h"

#include <complex>
#include <cstddef>

using complex_matrix = env_vector<std::complex<double>>;

inline std::size_t complex_at(int n, int i, int j) {
    return std::size_t(i) * std::size_t(n) + std::size_t(j);
}

// n x n zeros, and the identity.
complex_matrix complex_zeros(const calc_env &env, int n);
complex_matrix complex_identity(const calc_env &env, int n);

// The real n x n matrix m as a complex one.
complex_matrix complex_of(const calc_env &env, int n, const double *m);

// a b and a^T.
complex_matrix complex_product(const calc_env &env, int n, const complex_matrix &a,
                               const complex_matrix &b);
complex_matrix complex_transpose(const calc_env &env, int n, const complex_matrix &a);

// Overwrites b (n rows of `columns` values) with the solution x of a x = b, and a with
// its LU factors. False, b then undefined, when a is singular or not finite.
bool complex_solve(const calc_env &env, int n, complex_matrix &a, complex_matrix &b, int columns);
