// The S-parameters of a length of line, from each mode's relations between its ends.
//
// In the modes' coordinates v = T^-1 V and i = T^T I (mode_basis.h) every mode is a
// scalar line, and mode k gives two equations among the voltages and currents at the
// two ends. While it attenuates little over the length (alpha l <= 1) they are its chain
// relations
//   v_l = cosh(gamma l) v_0 - l sinhc(gamma l) (T^-1 Z I_0)_k,
//   i_l = cosh(gamma l) i_0 - l sinhc(gamma l) (T^T Y V_0)_k,    sinhc(x) = sinh(x) / x,
// entire functions of gamma^2: nothing is divided by gamma or by an impedance, so they
// hold at DC (where they are the resistive network of R and G) and through a lossless
// line's resonances. Over a longer attenuation cosh and sinh grow as exp(alpha l) and
// the wave that arrives, their difference, would drown in their rounding; there the
// mode's two travelling waves are used instead, with its impedance
// Z_k = (T^-1 Z T^-T)_k / gamma, well defined so far from gamma = 0:
//   (v + Z_k i)(l) = P (v + Z_k i)(0),   (v - Z_k i)(0) = P (v - Z_k i)(l),
// P = exp(-gamma l), every coefficient bounded.
//
// With the port waves a = (V + z I) / (2 sqrt z) and b = (V - z I) / (2 sqrt z), I
// flowing into the line at either end, the 2n equations read P b = -Q a, and S = -P^-1 Q.
#include "core/wave/line_network.h"

#include "core/wave/mode_basis.h"
#include "core/wave/wave_line.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

using complex = std::complex<double>;

// sinh(x) / x, by its series where the quotient would lose digits.
complex sinhc(complex x) {
    if (std::abs(x) < 1e-4) return 1.0 + x * x / 6.0;
    return std::sinh(x) / x;
}

// The equations P b = -Q a among the 2n port waves, P and Q (2n) x (2n).
struct port_system {
    int n;
    double z_ref;
    complex_matrix p, q;
};

// Adds the terms v_scale (cv . V) + i_scale (ci . I) at one end of the line to equation
// `row` (cv and ci rows of n coefficients, or null), I the line's current in +z: at the
// near end the port's, at the far end the port's reversed. With V = sqrt(z) (a + b) and
// I = (a - b) / sqrt(z) for the port current, divided through by sqrt(z).
void add_terms(port_system &system, int row, bool far, const complex *cv, complex v_scale,
               const complex *ci, complex i_scale) {
    int n = system.n;
    double sign = far ? -1 : 1;
    for (int j = 0; j < n; ++j) {
        complex v = cv ? v_scale * cv[j] : 0.0;
        complex i = ci ? sign * i_scale * ci[j] / system.z_ref : 0.0;
        std::size_t at = complex_at(2 * n, row, (far ? n : 0) + j);
        system.p[at] += v - i;
        system.q[at] += v + i;
    }
}

// Mode k's rows of T^-1, T^-1 Z, T^T and T^T Y.
struct mode_rows {
    const complex *t_inv, *t_inv_z, *t_t, *t_t_y;
};

void chain_equations(port_system &system, int k, const mode_rows &rows, complex gamma,
                     double length) {
    complex ch = std::cosh(gamma * length), sl = length * sinhc(gamma * length);
    double z = system.z_ref;
    add_terms(system, k, true, rows.t_inv, 1.0, nullptr, 0.0);
    add_terms(system, k, false, rows.t_inv, -ch, rows.t_inv_z, sl);
    // The currents' equation times z_ref, to the scale of the voltages'.
    add_terms(system, system.n + k, true, nullptr, 0.0, rows.t_t, z);
    add_terms(system, system.n + k, false, rows.t_t_y, z * sl, rows.t_t, -z * ch);
}

void wave_equations(port_system &system, int k, const mode_rows &rows, complex gamma,
                    double length) {
    complex p = std::exp(-gamma * length), w = 1.0 / gamma;
    add_terms(system, k, true, rows.t_inv, 1.0, rows.t_inv_z, w);
    add_terms(system, k, false, rows.t_inv, -p, rows.t_inv_z, -p * w);
    add_terms(system, system.n + k, false, rows.t_inv, 1.0, rows.t_inv_z, -w);
    add_terms(system, system.n + k, true, rows.t_inv, -p, rows.t_inv_z, p * w);
}

// S = -P^-1 Q.
bool solve(const calc_env &env, port_system &system, complex *s) {
    int m = 2 * system.n;
    if (!complex_solve(env, m, system.p, system.q, m)) return false;
    if (!std::all_of(system.q.begin(), system.q.end(), [](const complex &x) {
            return std::isfinite(x.real()) && std::isfinite(x.imag());
        }))
        return false;
    std::transform(system.q.begin(), system.q.end(), s, [](const complex &x) { return -x; });
    return true;
}

bool scattering(const calc_env &env, const wave_line &line, double length, double z_ref,
                complex *s) {
    int n = line.n;
    mode_basis basis(env);
    if (!mode_basis_of(env, n, complex_product(env, n, line.z, line.y), line.c, basis))
        return false;
    complex_matrix t_inv_z = complex_product(env, n, basis.t_inv, line.z);
    complex_matrix t_t = complex_transpose(env, n, basis.t);
    complex_matrix t_t_y = complex_product(env, n, t_t, line.y);
    port_system system{n, z_ref, complex_zeros(env, 2 * n), complex_zeros(env, 2 * n)};
    for (int k = 0; k < n; ++k) {
        std::size_t row = complex_at(n, k, 0);
        mode_rows rows{&basis.t_inv[row], &t_inv_z[row], &t_t[row], &t_t_y[row]};
        complex gamma = mode_gamma(basis.lambda[std::size_t(k)]);
        if (gamma.real() * length > 1)
            wave_equations(system, k, rows, gamma, length);
        else
            chain_equations(system, k, rows, gamma, length);
    }
    return solve(env, system, s);
}

} // namespace

bool wave_s_parameters(const calc_env &env, double f, int n, const double *r, const double *l,
                       const double *g, const double *c, double length, double z_ref,
                       std::complex<double> *s) {
    if (!std::isfinite(length) || length < 0) {
        env_error(env, L"The line's length must be finite and not negative");
        return false;
    }
    if (!std::isfinite(z_ref) || !(z_ref > 0)) {
        env_error(env, L"The reference impedance must be finite and positive");
        return false;
    }
    try {
        wave_line line(env);
        if (!wave_line_of(env, f, n, r, l, g, c, line)) return false;
        if (scattering(env, line, length, z_ref, s)) return true;
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the line's waves");
        return false;
    }
    env_error(env, L"The line's modes cannot be separated at this frequency");
    return false;
}
