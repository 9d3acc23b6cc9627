// R, L, G, C per metre from the conductors' and the dielectrics' models.
#include "core/wave/line_rlgc.h"

#include "core/graded/dielectric_shares.h"

#include <cmath>
#include <complex>
#include <new>
#include <numbers>
#include <vector>

namespace {

// Two regions of one permittivity share their boundary without an interface panel, so
// the identity splits only their sum; that is enough when they also share their loss.
bool losses_separable(const calc_env &env, const line_rlgc &m) {
    for (std::size_t a = 0; a < m.epsilon.size(); ++a)
        for (std::size_t b = a + 1; b < m.epsilon.size(); ++b)
            if (m.epsilon[a] == m.epsilon[b] && m.tan_delta[a] != m.tan_delta[b]) {
                env_error(env, L"Two dielectric layers of the same permittivity have different "
                               L"loss tangents: give them the same loss tangent, or "
                               L"permittivities that differ");
                return false;
            }
    return true;
}

bool build(const calc_env &env, const cross_section &section, int n, std::span<const double> c,
           std::span<const double> l_external, const line_materials &materials, double density,
           double lowest_frequency, line_rlgc &out) {
    out.n = n;
    out.materials = materials;
    out.c.assign(c.begin(), c.end());
    out.l_external.assign(l_external.begin(), l_external.end());
    out.epsilon.clear();
    out.tan_delta.clear();
    for (const xs_dielectric &d : section.dielectrics) {
        out.epsilon.push_back(d.epsilon_r);
        out.tan_delta.push_back(d.tan_delta);
    }
    out.epsilon.push_back(section.background_epsilon_r);
    out.tan_delta.push_back(section.background_tan_delta);
    if (!losses_separable(env, out)) return false;
    env_vector<double> coarse{env_allocator<double>(env)};
    if (!dielectric_shares_of(env, section, density, out.shares) ||
        !dielectric_shares_of(env, section, density / 2, coarse))
        return false;
    out.share_error = 0;
    for (int k = 0; k < n * n; k += n + 1) {
        double fine = 0, rough = 0;
        for (std::size_t r = 0; r < out.tan_delta.size(); ++r) {
            std::size_t at = r * std::size_t(n * n) + std::size_t(k);
            fine += out.tan_delta[r] * out.shares[at];
            rough += out.tan_delta[r] * coarse[at];
        }
        if (fine > 0) out.share_error = std::max(out.share_error, std::fabs(fine - rough) / fine);
    }
    return conductor_loss_of(env, section, materials.metal, l_external, density, lowest_frequency,
                             out.conductors);
}

} // namespace

bool line_rlgc_of(const calc_env &env, const cross_section &section, int n,
                  std::span<const double> c, std::span<const double> l_external,
                  const line_materials &materials, double density, double lowest_frequency,
                  line_rlgc &out) {
    try {
        return build(env, section, n, c, l_external, materials, density, lowest_frequency, out);
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the line's losses");
        return false;
    }
}

void line_rlgc_at(const line_rlgc &m, double f, double *r, double *l, double *g, double *c) {
    int n = m.n;
    std::size_t nn = std::size_t(n * n);
    std::vector<std::complex<double>> z(nn);
    conductor_loss_impedance(m.conductors, f, z.data());
    double omega = 2 * std::numbers::pi * f;
    double rough = f > 0 ? roughness_factor(m.materials.roughness,
                                            conductor_skin_depth(m.materials.metal.conductivity, f))
                         : 1;
    for (std::size_t k = 0; k < nn; ++k) {
        r[k] = z[k].real() * rough;
        l[k] = m.l_external[k] + (f > 0 ? z[k].imag() / omega : z[k].imag());
        c[k] = m.c[k];
        g[k] = 0;
    }
    for (std::size_t region = 0; region < m.epsilon.size(); ++region) {
        double eps = m.epsilon[region];
        std::complex<double> e = dielectric_permittivity(
            m.materials.model, eps, m.tan_delta[region], m.materials.reference_frequency, f);
        const double *share = &m.shares[region * nn];
        for (std::size_t k = 0; k < nn; ++k) {
            c[k] += share[k] * (e.real() / eps - 1);
            g[k] += omega * share[k] * -e.imag() / eps;
        }
    }
}
