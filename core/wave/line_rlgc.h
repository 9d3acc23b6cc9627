// A line's per-metre R, L, G and C at any frequency, from its lossless solution and what
// it is made of. The conductors give R and the internal inductance (the conductor-loss
// model, its resistance raised by the copper's roughness); the external inductance of
// perfect conductors does not change with frequency. Each dielectric region's share of C
// (its part of the electric energy) follows that region's complex permittivity: with
// eps_r(f) = eps'(f) - j eps''(f) and C_r its share at the reference permittivity eps_r,
//   C(f) = C + sum_r C_r (eps'_r(f) / eps_r - 1),   G(f) = omega sum_r C_r eps''_r(f) / eps_r,
// first order in each region's change of permittivity, which the wideband Debye model
// keeps to a few percent from DC to 50 GHz (the second order is below 1e-3 of C).
#pragma once

#include "core/graded/conductor_loss.h"
#include "core/wave/dielectric_model.h"
#include "core/wave/roughness.h"

#include <span>

// What the line is made of, beyond its shape and its dielectrics' permittivities and
// loss tangents (which the cross-section holds).
struct line_materials {
    conductor_materials metal;
    roughness_spec roughness;
    dielectric_model model = dielectric_model::wideband_debye;
    double reference_frequency = 1e9; // Hz, where eps_r and tan(delta) are given
};

struct line_rlgc {
    explicit line_rlgc(const calc_env &env)
        : c(env_allocator<double>(env)), l_external(env_allocator<double>(env)),
          shares(env_allocator<double>(env)), epsilon(env_allocator<double>(env)),
          tan_delta(env_allocator<double>(env)), conductors(env) {}

    int n = 0;
    env_vector<double> c, l_external;      // n x n: the lossless solution's, F/m and H/m
    env_vector<double> shares;             // per region (the dielectrics, then the background)
    env_vector<double> epsilon, tan_delta; // per region, at the reference frequency
    conductor_loss conductors;
    line_materials materials;
    // How far the regions' loss-weighted shares (sum of tan(delta_r) C_r, each diagonal
    // entry) moved from half the panel density to the density asked for: G's error.
    double share_error = 0;
};

// Builds the model of the section from its solved matrices c and l_external (n x n, the
// converged study's), the shares and the surface currents at the panel density (and at
// half of it, for their errors), and the
// interior currents when the lowest frequency asked for lies below their crossover.
// Returns false after reporting through the environment's sinks: a conductor without
// thickness, two regions of one permittivity with different loss tangents (their
// energies cannot be told apart), a failed solve, a cancellation.
bool line_rlgc_of(const calc_env &env, const cross_section &section, int n,
                  std::span<const double> c, std::span<const double> l_external,
                  const line_materials &materials, double density, double lowest_frequency,
                  line_rlgc &out);

// R, L, G, C at frequency f (n x n each, row-major, SI per metre). Cannot fail.
void line_rlgc_at(const line_rlgc &model, double f, double *r, double *l, double *g, double *c);
