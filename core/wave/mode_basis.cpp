// The modal decomposition by LAPACK's zgeev, with the symmetric dsyev for the natural
// basis of a degenerate line.
#include "core/wave/mode_basis.h"

#include "core/wave/lapack_complex.h"

#include <algorithm>
#include <cmath>

namespace {

bool all_alike(const env_vector<std::complex<double>> &values) {
    double largest = 0, spread = 0;
    for (const std::complex<double> &v : values) {
        largest = std::max(largest, std::abs(v));
        spread = std::max(spread, std::abs(v - values[0]));
    }
    return spread <= 1e-12 * largest;
}

// The orthonormal eigenvectors of the symmetric real m, as complex columns.
bool natural_basis(const calc_env &env, int n, const env_vector<double> &m, complex_matrix &t) {
    env_vector<double> vectors = m, values(std::size_t(n), 0.0, env_allocator<double>(env));
    if (LAPACKE_dsyev(LAPACK_ROW_MAJOR, 'V', 'U', n, vectors.data(), n, values.data()) != 0)
        return false;
    t = complex_of(env, n, vectors.data());
    return true;
}

} // namespace

bool mode_basis_of(const calc_env &env, int n, const complex_matrix &m,
                   const env_vector<double> &natural, mode_basis &out) {
    complex_matrix a = m;
    out.lambda.assign(std::size_t(n), 0.0);
    out.t = complex_zeros(env, n);
    if (LAPACKE_zgeev(LAPACK_ROW_MAJOR, 'N', 'V', n, a.data(), n, out.lambda.data(), nullptr, n,
                      out.t.data(), n) != 0)
        return false;
    if (all_alike(out.lambda)) {
        std::complex<double> mean = 0;
        for (const std::complex<double> &v : out.lambda)
            mean += v;
        out.lambda.assign(std::size_t(n), mean / double(n));
        if (!natural_basis(env, n, natural, out.t)) return false;
    }
    complex_matrix t = out.t;
    out.t_inv = complex_identity(env, n);
    return complex_solve(env, n, t, out.t_inv, n);
}

std::complex<double> mode_gamma(std::complex<double> lambda) {
    std::complex<double> root = std::sqrt(lambda);
    // 0 - x rather than -x, so that a zero part stays +0.
    if (root.real() + root.imag() < 0) root = {0.0 - root.real(), 0.0 - root.imag()};
    return root;
}
