// The symmetric eigen-decompositions by LAPACK's dsyev.
#include "core/graded/line_modes.h"

#include "core/graded/accurate_solver.h"

#include <cmath>
#include <cstddef>
#include <lapacke.h>
#include <new>

namespace {

using matrix = env_vector<double>;

std::size_t at(int n, int i, int j) {
    return std::size_t(i) * std::size_t(n) + std::size_t(j);
}

matrix product(const calc_env &env, int n, const matrix &a, const matrix &b) {
    matrix out(std::size_t(n) * std::size_t(n), 0.0, env_allocator<double>(env));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double sum = 0;
            for (int k = 0; k < n; ++k)
                sum += a[at(n, i, k)] * b[at(n, k, j)];
            out[at(n, i, j)] = sum;
        }
    return out;
}

// The eigenvalues (ascending) and orthonormal eigenvectors (columns of vectors) of a
// symmetric matrix; false when LAPACK fails or an eigenvalue is not positive.
bool decompose(int n, const matrix &symmetric, matrix &vectors, double *values) {
    vectors = symmetric;
    if (LAPACKE_dsyev(LAPACK_ROW_MAJOR, 'V', 'U', n, vectors.data(), n, values) != 0) return false;
    for (int k = 0; k < n; ++k) {
        if (!(values[k] > 0) || !std::isfinite(values[k])) return false;
    }
    return true;
}

// V diag(f(values)) V^T.
template <class F>
matrix function_of(const calc_env &env, int n, const matrix &vectors, const double *values, F f) {
    matrix out(std::size_t(n) * std::size_t(n), 0.0, env_allocator<double>(env));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double sum = 0;
            for (int k = 0; k < n; ++k)
                sum += vectors[at(n, i, k)] * f(values[k]) * vectors[at(n, j, k)];
            out[at(n, i, j)] = sum;
        }
    return out;
}

bool modes(const calc_env &env, int n, const double *c, const double *c0, line_modes &out) {
    std::size_t nn = std::size_t(n) * std::size_t(n);
    if (n < 1 || !line_matrix_symmetric(n, c) || !line_matrix_symmetric(n, c0)) return false;
    // Both symmetrised: the solver's matrices are symmetric to its accuracy only.
    matrix cs(nn, 0.0, env_allocator<double>(env)), c0s(nn, 0.0, env_allocator<double>(env));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            cs[at(n, i, j)] = (c[at(n, i, j)] + c[at(n, j, i)]) / 2;
            c0s[at(n, i, j)] = (c0[at(n, i, j)] + c0[at(n, j, i)]) / 2;
        }
    matrix vectors{env_allocator<double>(env)};
    matrix values(std::size_t(n), 0.0, env_allocator<double>(env));
    // L = mu0 eps0 C0^-1 = C0^-1 / c^2.
    if (!decompose(n, c0s, vectors, values.data())) return false;
    double c2 = accurate_light_speed * accurate_light_speed;
    out.l = function_of(env, n, vectors, values.data(), [c2](double v) { return 1 / (c2 * v); });
    if (!decompose(n, cs, vectors, values.data())) return false;
    matrix root =
        function_of(env, n, vectors, values.data(), [](double v) { return std::sqrt(v); });
    matrix inverse_root =
        function_of(env, n, vectors, values.data(), [](double v) { return 1 / std::sqrt(v); });
    matrix m = product(env, n, product(env, n, root, out.l), root);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j)
            m[at(n, i, j)] = m[at(n, j, i)] = (m[at(n, i, j)] + m[at(n, j, i)]) / 2;
    matrix u{env_allocator<double>(env)};
    if (!decompose(n, m, u, values.data())) return false;
    // In a homogeneous medium every mode travels at one speed and any basis of voltages
    // propagates unchanged; the natural one is C's own (the odd and even drives of a
    // symmetric pair), which makes C^(-1/2) u_k the eigenvectors of C.
    if (values[std::size_t(n - 1)] - values[0] <= 1e-12 * values[std::size_t(n - 1)]) u = vectors;
    matrix middle = function_of(env, n, u, values.data(), [](double v) { return std::sqrt(v); });
    out.zc = product(env, n, product(env, n, inverse_root, middle), inverse_root);
    matrix voltages = product(env, n, inverse_root, u); // mode k in column k
    out.n = n;
    out.mode_z.assign(std::size_t(n), 0.0);
    out.mode_eps_eff.assign(std::size_t(n), 0.0);
    out.mode_voltages.assign(nn, 0.0);
    for (int k = 0; k < n; ++k) {
        // dsyev sorts ascending; the slowest mode (largest Lambda) first.
        int src = n - 1 - k;
        int big = 0;
        for (int i = 1; i < n; ++i)
            if (std::fabs(voltages[at(n, i, src)]) > std::fabs(voltages[at(n, big, src)])) big = i;
        double scale = voltages[at(n, big, src)];
        for (int i = 0; i < n; ++i)
            out.mode_voltages[std::size_t(k) * n + std::size_t(i)] =
                voltages[at(n, i, src)] / scale;
        // The current of the wave: I = Zc^-1 V = C^(1/2) U Lambda^(-1/2) U^T C^(1/2) V,
        // which for V = C^(-1/2) u_k is C^(1/2) u_k / sqrt(Lambda_k).
        double current = 0;
        for (int i = 0; i < n; ++i)
            current += root[at(n, big, i)] * u[at(n, i, src)];
        current /= std::sqrt(values[std::size_t(src)]);
        out.mode_z[std::size_t(k)] = voltages[at(n, big, src)] / current;
        out.mode_eps_eff[std::size_t(k)] = c2 * values[std::size_t(src)];
    }
    for (std::size_t i = 0; i < nn; ++i)
        if (!std::isfinite(out.zc[i]) || !std::isfinite(out.l[i])) return false;
    return true;
}

} // namespace

bool line_matrix_symmetric(int n, const double *m) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j) {
            double scale = std::sqrt(std::fabs(m[at(n, i, i)] * m[at(n, j, j)]));
            if (!(std::fabs(m[at(n, i, j)] - m[at(n, j, i)]) <= 1e-2 * scale)) return false;
        }
    return true;
}

bool line_modes_of(const calc_env &env, int n, const double *c, const double *c0, line_modes &out) {
    bool ok = false;
    try {
        ok = modes(env, n, c, c0, out);
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the modes");
        return false;
    }
    if (!ok) env_error(env, L"The capacitance matrices are not symmetric positive definite");
    return ok;
}

pair_figures pair_figures_of(const line_modes &modes) {
    const env_vector<double> &z = modes.zc;
    pair_figures p{};
    p.zdiff = z[0] + z[3] - z[1] - z[2];
    p.zcommon = (z[0] + z[3] + z[1] + z[2]) / 4;
    // Each mode's voltages are (1, r) or (r, 1) with |r| <= 1; the sign of r names it.
    auto ratio = [&](int k) {
        double v1 = modes.mode_voltages[std::size_t(2 * k)],
               v2 = modes.mode_voltages[std::size_t(2 * k + 1)];
        return v2 / v1;
    };
    int odd = ratio(0) < 0 ? 0 : 1, even = 1 - odd;
    p.zodd = modes.mode_z[std::size_t(odd)];
    p.zeven = modes.mode_z[std::size_t(even)];
    p.eps_eff_odd = modes.mode_eps_eff[std::size_t(odd)];
    p.eps_eff_even = modes.mode_eps_eff[std::size_t(even)];
    p.odd_ratio = ratio(odd);
    p.even_ratio = ratio(even);
    p.coupling = (p.zeven - p.zodd) / (p.zeven + p.zodd);
    return p;
}
