// The complex matrices' products, transposes and solves.
#include "core/wave/complex_matrix.h"

#include "core/wave/lapack_complex.h"

#include <cmath>

complex_matrix complex_zeros(const calc_env &env, int n) {
    return complex_matrix(std::size_t(n) * std::size_t(n), 0.0,
                          env_allocator<std::complex<double>>(env));
}

complex_matrix complex_identity(const calc_env &env, int n) {
    complex_matrix out = complex_zeros(env, n);
    for (int i = 0; i < n; ++i)
        out[complex_at(n, i, i)] = 1.0;
    return out;
}

complex_matrix complex_of(const calc_env &env, int n, const double *m) {
    complex_matrix out = complex_zeros(env, n);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = m[i];
    return out;
}

complex_matrix complex_product(const calc_env &env, int n, const complex_matrix &a,
                               const complex_matrix &b) {
    complex_matrix out = complex_zeros(env, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            std::complex<double> sum = 0;
            for (int k = 0; k < n; ++k)
                sum += a[complex_at(n, i, k)] * b[complex_at(n, k, j)];
            out[complex_at(n, i, j)] = sum;
        }
    return out;
}

complex_matrix complex_transpose(const calc_env &env, int n, const complex_matrix &a) {
    complex_matrix out = complex_zeros(env, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            out[complex_at(n, i, j)] = a[complex_at(n, j, i)];
    return out;
}

bool complex_solve(const calc_env &env, int n, complex_matrix &a, complex_matrix &b, int columns) {
    for (const std::complex<double> &x : a)
        if (!std::isfinite(x.real()) || !std::isfinite(x.imag())) return false;
    env_vector<lapack_int> pivots(std::size_t(n), 0, env_allocator<lapack_int>(env));
    return LAPACKE_zgesv(LAPACK_ROW_MAJOR, n, columns, a.data(), n, pivots.data(), b.data(),
                         columns) == 0;
}
