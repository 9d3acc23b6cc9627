// The conductors' interior currents by one symmetric eigen-decomposition (LAPACK's dsyevd).
#include "core/graded/interior_currents.h"

#include "core/graded/partial_inductance.h"

#include <cmath>
#include <lapacke.h>
#include <new>
#include <vector>

namespace {

using cplx = std::complex<double>;

bool build(const calc_env &env, const cross_section &section, double shield_thickness,
           double conductivity, const basis_grading &grading, interior_currents &out) {
    if (!xs_has_reference(section)) {
        env_error(env, L"The line has no return conductor for its current");
        return false;
    }
    env_vector<current_basis> basis{env_allocator<current_basis>(env)};
    if (!current_basis_of(env, section, shield_thickness, grading, basis)) return false;
    std::size_t n = basis.size();
    int columns = section.electrode_count + 1;
    env_vector<double> m(n * n, 0.0, env_allocator<double>(env));
    if (!partial_inductance_fill(env, section, basis, m.data())) return false;
    // S L S with S = R^-1/2: a function's resistance is the integral of its density
    // squared over the conductivity, 1 / (sigma A), or half that for a harmonic.
    env_vector<double> s(n, 0.0, env_allocator<double>(env));
    for (std::size_t i = 0; i < n; ++i) {
        const current_basis &b = basis[i];
        double r = (b.m == 0 ? 1.0 : 0.5) / (conductivity * b.area);
        s[i] = 1 / std::sqrt(r);
    }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            m[i * n + j] *= s[i] * s[j];
    out.lambda.assign(n, 0.0);
    if (LAPACKE_dsyevd(LAPACK_ROW_MAJOR, 'V', 'U', int(n), m.data(), int(n), out.lambda.data()) !=
        0) {
        env_error(env, L"The conductors' currents could not be solved for");
        return false;
    }
    // W = Q^T S B: column k of m is eigenvector k.
    out.w.assign(n * std::size_t(columns), 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        if (basis[i].m != 0) continue;
        std::size_t c = std::size_t(basis[i].conductor);
        for (std::size_t k = 0; k < n; ++k)
            out.w[k * std::size_t(columns) + c] += m[i * n + k] * s[i];
    }
    out.signal_count = section.electrode_count;
    out.columns = columns;
    out.floating = !section.ground_plane && !section.upper_plane;
    out.basis_count = n;
    return true;
}

// Inverts the small complex matrix in place (Gauss-Jordan, partial pivoting); the
// matrices here are a pair's at most and never singular (a resistance is positive).
void invert(int n, std::vector<cplx> &a) {
    std::vector<cplx> inv(std::size_t(n * n), 0.0);
    for (int i = 0; i < n; ++i)
        inv[std::size_t(i * n + i)] = 1;
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r)
            if (std::abs(a[std::size_t(r * n + col)]) > std::abs(a[std::size_t(pivot * n + col)]))
                pivot = r;
        for (int k = 0; k < n; ++k) {
            std::swap(a[std::size_t(col * n + k)], a[std::size_t(pivot * n + k)]);
            std::swap(inv[std::size_t(col * n + k)], inv[std::size_t(pivot * n + k)]);
        }
        cplx d = a[std::size_t(col * n + col)];
        for (int k = 0; k < n; ++k) {
            a[std::size_t(col * n + k)] /= d;
            inv[std::size_t(col * n + k)] /= d;
        }
        for (int r = 0; r < n; ++r) {
            if (r == col) continue;
            cplx f = a[std::size_t(r * n + col)];
            for (int k = 0; k < n; ++k) {
                a[std::size_t(r * n + k)] -= f * a[std::size_t(col * n + k)];
                inv[std::size_t(r * n + k)] -= f * inv[std::size_t(col * n + k)];
            }
        }
    }
    a = std::move(inv);
}

} // namespace

bool interior_currents_of(const calc_env &env, const cross_section &section,
                          double shield_thickness, double conductivity,
                          const basis_grading &grading, interior_currents &out) {
    try {
        return build(env, section, shield_thickness, conductivity, grading, out);
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the conductors' currents");
        return false;
    }
}

void interior_currents_impedance(const interior_currents &model, double omega, cplx *z) {
    int c = model.columns, n = model.signal_count;
    std::vector<cplx> y(std::size_t(c * c), 0.0);
    for (std::size_t k = 0; k < model.lambda.size(); ++k) {
        cplx f = 1.0 / cplx(1.0, omega * model.lambda[k]);
        const double *row = &model.w[k * std::size_t(c)];
        for (int i = 0; i < c; ++i)
            for (int j = 0; j < c; ++j)
                y[std::size_t(i * c + j)] += f * row[i] * row[j];
    }
    // The ground conductors at the reference; without a plane the common potential that
    // leaves no net current.
    std::vector<cplx> loop(std::size_t(n * n));
    std::vector<cplx> sums(std::size_t(c), 0.0);
    cplx total = 0;
    for (int i = 0; i < c; ++i) {
        for (int j = 0; j < c; ++j)
            sums[std::size_t(i)] += y[std::size_t(i * c + j)];
        total += sums[std::size_t(i)];
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            cplx v = y[std::size_t(i * c + j)];
            if (model.floating) v -= sums[std::size_t(i)] * sums[std::size_t(j)] / total;
            loop[std::size_t(i * n + j)] = v;
        }
    invert(n, loop);
    for (std::size_t k = 0; k < loop.size(); ++k)
        z[k] = loop[k];
}
