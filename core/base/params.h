// The record of one calculation's inputs, shared by every part of the calculator.
#pragma once

#include "core/base/calc_env.h"

// The seven inputs of one calculation, lengths in metres, and the strip thickness of the
// accurate variant. -1 stands for INF (w2) or AUTO (p, mesh_step); the core treats any
// value <= 0 of these three as infinite or automatic.
struct calc_params {
    double w1;        // width of the top strip
    double w2;        // width of the bottom strip; <= 0 is an infinite ground plane
    double h;         // slab thickness, the distance between the two strip planes
    double d;         // offset of the top strip's centre right of the bottom strip's
    double epsilon_r; // relative permittivity of the slab
    double p;         // slab overhang beyond the outermost strip edge; <= 0 is automatic
    double mesh_step; // nominal cell width; <= 0 is automatic
    double t = 0;     // strip thickness; the zero-thickness strips of the mesh need 0
};

// The automatic nominal cell width of a pair of strips w1 and w2 wide whose faces lie h
// apart: fmin(0.15 h, 0.025 (w1 + w2)), the mesh's own rule, on which the graded
// engine's panel density is scaled as well. Cannot fail.
double params_auto_step(double w1, double w2, double h);

// The last line of every failed solve, and the solvers' failure value.
constexpr const wchar_t *calc_failed_text = L"Calculation failed";

// Sends calc_failed_text through the environment's info slot and returns -1.0, the
// solvers' failure value.
double calc_failed(const calc_env &env);

// The last line of a solve that its environment's cancel flag stopped.
constexpr const wchar_t *calc_cancelled_text = L"Calculation cancelled";

// Sends calc_cancelled_text through the environment's info slot and returns -1.0.
double calc_cancelled(const calc_env &env);

// Whether a solver's result is its failure value, -1.0 (an impedance is never negative):
// the one test for it, for both variants' solvers.
constexpr bool solve_failed_result(double z0) {
    return z0 < 0;
}
