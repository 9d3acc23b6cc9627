// The two ways to fill and solve the line. The specified variant is the calculator's
// reference: trapezoid sums of 99 or 100 nodes per cell and the rounded constants
// 1 / (2 pi eps0) = 1.8e10 m/F and c = 3e8 m/s; its numbers are fixed to the last bit.
// The accurate variant takes every cell integral in closed form and uses the exact
// constants, so that refining the mesh converges instead of scattering.
#pragma once

enum solver_variant { variant_specified = 0, variant_accurate = 1 };

// eps0 of CODATA 2018 and the defined speed of light.
constexpr double exact_epsilon0 = 8.8541878128e-12;
constexpr double exact_light_speed = 299792458.0;
constexpr double exact_potential_factor = 1.0 / (2.0 * 3.141592653589793 * exact_epsilon0);
