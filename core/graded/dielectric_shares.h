// Each dielectric region's share of the capacitance matrix: with phi_i the potential
// when signal conductor i is at 1 V (the others and the ground at 0 V),
//   C_ij = eps0 sum_r eps_r integral over region r of grad phi_i . grad phi_j,
// so region r holds C_r,ij = eps0 eps_r integral_r grad phi_i . grad phi_j, which is also
// eps_r dC_ij / d eps_r: how C moves when that region's permittivity does, and how much of
// the line's electric energy a loss in that region dissipates (G = omega sum_r
// tan(delta_r) C_r). Each region's integral is turned into one over its boundary,
// integral of phi d phi / dn, by Green's identity: on a conductor face phi is the
// conductor's voltage and d phi / dn its charge density over eps0 eps_r; on an interface
// phi comes from the panels' charges and the normal field on either side from the
// interface's own condition (eps_front E_front = eps_back E_back, their difference its
// charge over eps0), so no field has to be sampled. The shares of the panels' solution
// sum to its C exactly.
#pragma once

#include "core/base/env_vector.h"
#include "core/graded/cross_section.h"

// Fills out with (regions + 1) matrices of signals x signals, row-major, F/m: the
// dielectric regions in the section's order, then the background. Returns false after
// reporting through the environment's sinks (cancelled, the memory, a failed solve).
bool dielectric_shares_of(const calc_env &env, const cross_section &section, double density,
                          env_vector<double> &out);
