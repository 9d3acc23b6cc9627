// The interior and surface models joined at the crossover.
#include "core/graded/conductor_loss.h"

#include "core/graded/partial_inductance.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <vector>

namespace {

using cplx = std::complex<double>;
constexpr double two_pi = 2 * std::numbers::pi;

// The crossover's skin depth against the thinnest half-thickness, and the interior
// grading against that skin depth: measured on a coaxial line, a wire pair and a
// microstrip, these keep both models within about half a percent of each other there.
constexpr double crossover_depths = 4;
constexpr basis_grading grading_per_depth{1.0 / 6, 1.25, 6};

// The angular frequency whose skin depth is a thousand times the crossover's, where the
// interior currents are uniform to a millionth: X / omega there is the DC limit of the
// internal inductance.
double dc_omega(const conductor_loss &loss) {
    return two_pi * loss.crossover * 1e-6;
}

// The surface impedance of a plane of thickness T carrying the current on one face,
// (k / sigma) coth(k T) with k = (1 + j) / delta: 1 / (sigma T) at DC, (1 + j) Rs once
// the plane is several skin depths thick.
cplx plane_impedance(const conductor_loss &loss, double f) {
    double sigma = loss.conductivity, t = loss.plane_thickness;
    if (!loss.planes) return 0;
    if (f == 0) return 1 / (sigma * t);
    cplx k = cplx(1, 1) / conductor_skin_depth(sigma, f);
    cplx e = std::exp(-2.0 * k * t);
    return k / sigma * (1.0 + e) / (1.0 - e);
}

// Z = (1 + j) Rs K + K_curv / (2 sigma) + (1 - j) 3 delta K_curv2 / (16 sigma), and the
// planes' part.
void surface_impedance(const conductor_loss &loss, double f, cplx *z) {
    int n = loss.signal_count;
    double sigma = loss.conductivity, delta = conductor_skin_depth(sigma, f),
           rs = 1 / (sigma * delta);
    cplx plane = plane_impedance(loss, f);
    const surface_currents &s = loss.surface;
    for (int k = 0; k < n * n; ++k) {
        double first = s.k_curvature[std::size_t(k)] / (2 * sigma);
        double second = 3 * delta * s.k_curvature2[std::size_t(k)] / (16 * sigma);
        z[k] = cplx(rs * s.k[std::size_t(k)] + first + second, rs * s.k[std::size_t(k)] - second) +
               plane * s.k_planes[std::size_t(k)];
    }
}

// The sum of the interior model's diagonal inductances at the angular frequency (a
// small one standing for DC).
double interior_inductance(const conductor_loss &loss, double omega) {
    int n = loss.signal_count;
    std::vector<cplx> z(std::size_t(n * n));
    interior_currents_impedance(loss.interior, omega, z.data());
    double sum = 0;
    for (int k = 0; k < n; ++k)
        sum += z[std::size_t(k * (n + 1))].imag() / omega;
    return sum;
}

// The interior model with the planes' part, its inductance corrected by the offset in
// the measure that the skin effect has set in: at DC the current is uniform, which the
// basis holds exactly, and its error grows as the current crowds towards the surfaces,
// so the correction follows the fall of the internal inductance from its DC value.
void interior_impedance(const conductor_loss &loss, double omega, cplx *z) {
    int n = loss.signal_count;
    interior_currents_impedance(loss.interior, omega, z);
    double weight = (loss.dc_inductance - interior_inductance(loss, omega)) / loss.inductance_fall;
    cplx plane = plane_impedance(loss, omega / two_pi);
    for (int k = 0; k < n * n; ++k)
        z[k] += plane * loss.surface.k_planes[std::size_t(k)] -
                cplx(0, omega * (loss.l_external[std::size_t(k)] +
                                 weight * loss.offset[std::size_t(k)]));
}

// Each conductor's 1 / (sigma A), from the areas of its cut interior (exact: the slabs
// and annuli tile it).
bool dc_resistances(const calc_env &env, const cross_section &section, const conductor_materials &m,
                    const basis_grading &grading, conductor_loss &out) {
    env_vector<current_basis> basis{env_allocator<current_basis>(env)};
    if (!current_basis_of(env, section, m.shield_thickness, grading, basis)) return false;
    env_vector<double> area(std::size_t(section.electrode_count + 1), 0.0,
                            env_allocator<double>(env));
    for (const current_basis &b : basis)
        if (b.m == 0) area[std::size_t(b.conductor)] += b.area;
    out.dc_resistance.assign(area.size(), 0.0);
    for (std::size_t k = 0; k < area.size(); ++k)
        if (area[k] > 0) out.dc_resistance[k] = 1 / (m.conductivity * area[k]);
    return true;
}

bool build(const calc_env &env, const cross_section &section, const conductor_materials &m,
           std::span<const double> l_external, double density, double lowest_frequency,
           conductor_loss &out) {
    double shield_thickness = m.shield_thickness, conductivity = m.conductivity;
    double thinnest = current_basis_thinnest(section, shield_thickness);
    if (!(thinnest > 0)) {
        env_error(env, L"A conductor of zero thickness has no resistance: give it a thickness");
        return false;
    }
    double depth = thinnest / crossover_depths;
    basis_grading grading = grading_per_depth;
    grading.surface_layer *= depth;
    out.planes = section.ground_plane || section.upper_plane;
    if (out.planes && !(m.plane_thickness > 0 && std::isfinite(m.plane_thickness))) {
        env_error(env, L"The planes' thickness must be > 0");
        return false;
    }
    surface_currents coarse(env);
    if (!surface_currents_of(env, section, density, out.surface) ||
        !surface_currents_of(env, section, density / 2, coarse))
        return false;
    int n = out.surface.signal_count;
    out.surface_error = 0;
    for (int k = 0; k < n * n; k += n + 1) {
        double fine = out.surface.k[std::size_t(k)] + out.surface.k_planes[std::size_t(k)];
        double rough = coarse.k[std::size_t(k)] + coarse.k_planes[std::size_t(k)];
        out.surface_error = std::max(out.surface_error, std::fabs(fine - rough) / fine);
    }
    out.signal_count = n;
    out.conductivity = conductivity;
    out.plane_thickness = m.plane_thickness;
    if (l_external.empty())
        out.l_external = out.surface.l_external;
    else
        out.l_external.assign(l_external.begin(), l_external.end());
    out.crossover = 1 / (std::numbers::pi * partial_mu0 * conductivity * depth * depth);
    if (!dc_resistances(env, section, m, grading, out)) return false;
    out.interior_built = lowest_frequency < out.crossover;
    if (!out.interior_built) return true;
    if (!interior_currents_of(env, section, shield_thickness, conductivity, grading, out.interior))
        return false;
    out.offset.assign(std::size_t(n * n), 0.0);
    double omega = two_pi * out.crossover;
    out.dc_inductance = interior_inductance(out, dc_omega(out));
    out.inductance_fall = out.dc_inductance - interior_inductance(out, omega);
    std::vector<cplx> inner(std::size_t(n * n)), surface(std::size_t(n * n));
    interior_impedance(out, omega, inner.data());
    surface_impedance(out, out.crossover, surface.data());
    out.mismatch = 0;
    for (int k = 0; k < n * n; ++k) {
        out.offset[std::size_t(k)] =
            (inner[std::size_t(k)].imag() - surface[std::size_t(k)].imag()) / omega;
        if (k % (n + 1) == 0)
            out.mismatch = std::max(
                out.mismatch,
                std::fabs(inner[std::size_t(k)].real() / surface[std::size_t(k)].real() - 1));
    }
    return true;
}

} // namespace

double conductor_skin_depth(double conductivity, double f) {
    return 1 / std::sqrt(std::numbers::pi * f * partial_mu0 * conductivity);
}

bool conductor_loss_of(const calc_env &env, const cross_section &section,
                       const conductor_materials &materials, std::span<const double> l_external,
                       double density, double lowest_frequency, conductor_loss &out) {
    try {
        return build(env, section, materials, l_external, density, lowest_frequency, out);
    } catch (const std::bad_alloc &) {
        env_error(env, L"Not enough memory for the conductors' losses");
        return false;
    }
}

void conductor_loss_impedance(const conductor_loss &loss, double f, cplx *z) {
    if (f >= loss.crossover || !loss.interior_built) return surface_impedance(loss, f, z);
    if (f > 0) return interior_impedance(loss, two_pi * f, z);
    // DC: the resistance, and the inductance as the limit of X / omega (the planes' own
    // limit, mu0 T / 3 per unit of K, in closed form).
    int n = loss.signal_count;
    double omega = dc_omega(loss);
    std::vector<cplx> low(std::size_t(n * n));
    interior_currents_impedance(loss.interior, omega, low.data());
    interior_currents_impedance(loss.interior, 0, z);
    for (int k = 0; k < n * n; ++k) {
        double planes = loss.surface.k_planes[std::size_t(k)];
        z[k] = cplx(z[k].real() + plane_impedance(loss, 0).real() * planes,
                    low[std::size_t(k)].imag() / omega - loss.l_external[std::size_t(k)] +
                        partial_mu0 * loss.plane_thickness / 3 * planes);
    }
}
