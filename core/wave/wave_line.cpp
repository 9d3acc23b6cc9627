// The checks of a line's matrices, by LAPACK's dsyev for their definiteness.
#include "core/wave/wave_line.h"

#include "core/graded/line_modes.h"
#include "core/wave/lapack_complex.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.141592653589793;

bool all_finite(int n, const double *m) {
    return std::all_of(m, m + std::size_t(n) * std::size_t(n),
                       [](double x) { return std::isfinite(x); });
}

void symmetrise(int n, const double *m, env_vector<double> &out) {
    out.assign(std::size_t(n) * std::size_t(n), 0.0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            out[complex_at(n, i, j)] = (m[complex_at(n, i, j)] + m[complex_at(n, j, i)]) / 2;
}

// Whether the symmetric m is positive definite (strict) or semidefinite: a solver's R
// may show an eigenvalue a rounding below zero, 1e-9 of the largest.
bool definite(const calc_env &env, int n, const env_vector<double> &m, bool strict) {
    env_vector<double> a = m, values(std::size_t(n), 0.0, env_allocator<double>(env));
    if (LAPACKE_dsyev(LAPACK_ROW_MAJOR, 'N', 'U', n, a.data(), n, values.data()) != 0) return false;
    double largest = std::fabs(values[std::size_t(n - 1)]);
    return strict ? values[0] > 0 : values[0] >= -1e-9 * largest;
}

complex_matrix combined(const calc_env &env, int n, const env_vector<double> &real, double omega,
                        const env_vector<double> &imaginary) {
    complex_matrix out = complex_zeros(env, n);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = {real[i], omega * imaginary[i]};
    return out;
}

} // namespace

bool wave_line_of(const calc_env &env, double f, int n, const double *r, const double *l,
                  const double *g, const double *c, wave_line &out) {
    if (n < 1) {
        env_error(env, L"The line has no signal conductor");
        return false;
    }
    if (!std::isfinite(f) || f < 0) {
        env_error(env, L"The frequency must be finite and not negative");
        return false;
    }
    for (const double *m : {r, l, g, c}) {
        if (!all_finite(n, m)) {
            env_error(env, L"The line's R, L, G and C matrices hold a value that is not finite");
            return false;
        }
        if (!line_matrix_symmetric(n, m)) {
            env_error(env, L"The line's R, L, G and C matrices must be symmetric");
            return false;
        }
    }
    out.n = n;
    out.omega = 2 * pi * f;
    symmetrise(n, r, out.r);
    symmetrise(n, l, out.l);
    symmetrise(n, g, out.g);
    symmetrise(n, c, out.c);
    if (!definite(env, n, out.l, true) || !definite(env, n, out.c, true) ||
        !definite(env, n, out.r, false) || !definite(env, n, out.g, false)) {
        env_error(env, L"The line's L and C must be positive definite, and its R and G "
                       L"positive semidefinite");
        return false;
    }
    out.z = combined(env, n, out.r, out.omega, out.l);
    out.y = combined(env, n, out.g, out.omega, out.c);
    return true;
}
