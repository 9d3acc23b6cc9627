// The modes of a line, their characteristic impedance and the split of their
// attenuation, with the limits at DC.
#include "core/wave/line_network.h"

#include "core/wave/mode_basis.h"
#include "core/wave/wave_line.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <numeric>

namespace {

using complex = std::complex<double>;

bool all_zero(const env_vector<double> &m) {
    return std::all_of(m.begin(), m.end(), [](double x) { return x == 0; });
}

bool is_finite(const complex &x) {
    return std::isfinite(x.real()) && std::isfinite(x.imag());
}

// What the modes are computed from. Above DC, Z and Y. At DC a zero R or G would make
// Z Y vanish, and the limit f -> 0+ is led by j omega L or j omega C instead: the modes'
// shapes are those of the leading matrices' product, and Zc = (Z Y)^(1/2) Y^-1 goes as
// (j omega)^((a - b) / 2), a = 1 when L leads Z and b = 1 when C leads Y.
struct leading_terms {
    complex_matrix z, y;
    bool by_l, by_c;
};

leading_terms leading_of(const calc_env &env, const wave_line &line) {
    bool dc = line.omega == 0;
    bool by_l = dc && all_zero(line.r), by_c = dc && all_zero(line.g);
    return {by_l ? complex_of(env, line.n, line.l.data()) : line.z,
            by_c ? complex_of(env, line.n, line.c.data()) : line.y, by_l, by_c};
}

// Zc = T diag(root) T^-1 Y^-1 of the leading terms, or its limit where their orders
// differ: zero when L leads against G, infinite when R leads against C or Y is singular.
complex_matrix impedance_of(const calc_env &env, int n, const leading_terms &lead,
                            const mode_basis &basis, const env_vector<complex> &root) {
    complex_matrix zc = complex_zeros(env, n);
    if (lead.by_l && !lead.by_c) return zc;
    complex_matrix y = lead.y, y_inverse = complex_identity(env, n);
    if (lead.by_c != lead.by_l || !complex_solve(env, n, y, y_inverse, n)) {
        zc.assign(zc.size(), complex(std::numeric_limits<double>::infinity(), 0));
        return zc;
    }
    complex_matrix scaled = basis.t;
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k)
            scaled[complex_at(n, i, k)] *= root[std::size_t(k)];
    return complex_product(env, n, complex_product(env, n, scaled, basis.t_inv), y_inverse);
}

// The share of mode k's loss in the conductors, I^H R I over I^H R I + V^H G V with
// V = T e_k and I = Y V / gamma; half when neither loses power, the residue of rounding
// on a lossless line.
double conductor_share(const calc_env &env, const wave_line &line, const mode_basis &basis, int k,
                       complex gamma) {
    int n = line.n;
    env_vector<complex> current(std::size_t(n), 0.0, env_allocator<complex>(env));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j)
            current[std::size_t(i)] += line.y[complex_at(n, i, j)] * basis.t[complex_at(n, j, k)];
        current[std::size_t(i)] /= gamma;
    }
    double in_r = 0, in_g = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            complex vi = basis.t[complex_at(n, i, k)], vj = basis.t[complex_at(n, j, k)];
            in_r += (std::conj(current[std::size_t(i)]) * line.r[complex_at(n, i, j)] *
                     current[std::size_t(j)])
                        .real();
            in_g += (std::conj(vi) * line.g[complex_at(n, i, j)] * vj).real();
        }
    return in_r + in_g > 0 ? in_r / (in_r + in_g) : 0.5;
}

// Mode k's voltages scaled so that the largest is exactly 1.
void put_voltages(int n, const mode_basis &basis, int k, complex *out) {
    int big = 0;
    for (int i = 1; i < n; ++i)
        if (std::abs(basis.t[complex_at(n, i, k)]) > std::abs(basis.t[complex_at(n, big, k)]))
            big = i;
    for (int i = 0; i < n; ++i)
        out[i] = basis.t[complex_at(n, i, k)] / basis.t[complex_at(n, big, k)];
    out[big] = 1.0;
}

bool modes(const calc_env &env, const wave_line &line, wave_modes &out) {
    int n = line.n;
    std::size_t count = std::size_t(n);
    leading_terms lead = leading_of(env, line);
    mode_basis basis(env);
    if (!mode_basis_of(env, n, complex_product(env, n, lead.z, lead.y), line.c, basis))
        return false;
    env_vector<complex> root(count, 0.0, env_allocator<complex>(env));
    env_vector<double> slowness(count, 0.0, env_allocator<double>(env));
    for (std::size_t k = 0; k < count; ++k) {
        root[k] = mode_gamma(basis.lambda[k]);
        // Slowest first: by beta; at DC by the leading product's eigenvalue, which orders
        // the modes' beta as f -> 0+.
        slowness[k] = line.omega > 0 ? root[k].imag() : basis.lambda[k].real();
    }
    env_vector<int> order(count, 0, env_allocator<int>(env));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&slowness](int a, int b) {
        return slowness[std::size_t(a)] > slowness[std::size_t(b)];
    });
    out.n = n;
    out.zc = impedance_of(env, n, lead, basis, root);
    out.gamma.assign(count, 0.0);
    out.voltages.assign(count * count, 0.0);
    out.alpha_conductor.assign(count, 0.0);
    out.alpha_dielectric.assign(count, 0.0);
    bool wave = !lead.by_l && !lead.by_c;
    for (std::size_t p = 0; p < count; ++p) {
        int k = order[p];
        complex gamma = wave ? root[std::size_t(k)] : 0.0;
        out.gamma[p] = gamma;
        put_voltages(n, basis, k, &out.voltages[p * count]);
        double share = gamma == 0.0 ? 0.5 : conductor_share(env, line, basis, k, gamma);
        out.alpha_conductor[p] = gamma.real() * share;
        out.alpha_dielectric[p] = gamma.real() - out.alpha_conductor[p];
    }
    auto not_nan = [](const complex &x) { return !std::isnan(x.real()) && !std::isnan(x.imag()); };
    return std::all_of(out.gamma.begin(), out.gamma.end(), is_finite) &&
           std::all_of(out.voltages.begin(), out.voltages.end(), is_finite) &&
           std::all_of(out.zc.begin(), out.zc.end(), not_nan);
}

} // namespace

bool wave_modes_of(const calc_env &env, double f, int n, const double *r, const double *l,
                   const double *g, const double *c, wave_modes &out) {
    try {
        wave_line line(env);
        if (!wave_line_of(env, f, n, r, l, g, c, line)) return false;
        if (modes(env, line, out)) return true;
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the line's waves");
        return false;
    }
    env_error(env, L"The line's modes cannot be separated at this frequency");
    return false;
}

wave_pair wave_pair_of(const wave_modes &modes) {
    const env_vector<complex> &z = modes.zc;
    if (!std::all_of(z.begin(), z.begin() + 4, is_finite)) {
        complex infinite(std::numeric_limits<double>::infinity(), 0);
        return {infinite, infinite};
    }
    return {z[0] + z[3] - z[1] - z[2], (z[0] + z[3] + z[1] + z[2]) / 4.0};
}
