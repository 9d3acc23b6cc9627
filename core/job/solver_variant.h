// The two ways to compute a line. The specified variant is the calculator's reference:
// the strips and the bare slab faces of the mesh, trapezoid sums of 99 or 100 nodes per
// cell, the rounded constants 1 / (2 pi eps0) = 1.8e10 m/F and c = 3e8 m/s, and the
// inversion; its numbers are fixed to the last bit. The accurate variant is the physical
// model of the whole cross-section (every face of the slab, strips with thickness) on
// graded panels with closed-form integrals, factorised solves and the exact constants.
#pragma once

enum class solver_variant { specified, accurate };

// The variant's name in design files and records: "specified" or "accurate". Cannot fail.
constexpr const char *variant_name(solver_variant variant) {
    return variant == solver_variant::accurate ? "accurate" : "specified";
}
