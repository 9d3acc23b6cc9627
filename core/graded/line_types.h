// The named line types of board design, each a shorthand that builds a cross-section:
// traces of width w at their base and thickness t (a trapezoid when the top is etched
// back by etch on each side, a sheet when t = 0) on or in dielectric layers that run on
// sideways without end, resolved by truncating them where the field they hold has
// fallen off (a hundred substrate heights beyond the outermost conductor in the open,
// ten plate spacings between two planes, as the accurate microstrip's automatic
// overhang), unless substrate_width gives them an edge.
#pragma once

#include "core/base/calc_env.h"
#include "core/graded/cross_section.h"

enum class line_type {
    two_strip,
    microstrip,
    coated_microstrip,
    embedded_microstrip,
    stripline,
    cpw,
    gcpw,
    coupled_microstrip,
    coupled_coated_microstrip,
    coupled_stripline,
    broadside_stripline,
    coupled_gcpw,
    coax,
    twin_wire,
};

// The geometry of a named line, lengths in metres. Options a type does not use are
// ignored by its builder; the option table says which apply.
struct line_geometry {
    line_type type = line_type::microstrip;
    double w = 0, t = 0, etch = 0;
    double h = 0, epsilon_r = 1;
    double s = 0, g = 0;
    double ground_width = 0; // <= 0: wide enough that widening it changes nothing measurable
    double h2 = 0, epsilon_r2 = 1;
    double cover = 0;
    double mask = 0, epsilon_mask = 3.5;
    double substrate_width = 0;      // <= 0: the layers run on without end
    double d_inner = 0, d_outer = 0; // coax: the inner conductor, the shield's inside
    // The loss tangents of the substrate (and a coax's or twin wire's medium), of the
    // second layer or cover, and of the solder mask.
    double tan_delta = 0, tan_delta2 = 0, tan_delta_mask = 0;
    double diameter = 0, pitch = 0; // twin wire: each wire, centre to centre
};

// The number of signal conductors of a type: 1, or 2 for the pairs. The twin wire is
// one balanced line: its two wires carry opposite charges.
int line_signal_count(line_type type);

// The coplanar ground width AUTO gives: with the slot's outer edge at b from the centre,
// the grounds reach 400 b, where the conformal map of a coplanar line puts the effect of
// a further widening below 1e-5 of Z0 (about 1.3e-6 for a slot as wide as the trace).
double line_auto_ground_width(const line_geometry &geometry);

// Builds the cross-section of the line (not the two-strip line, which has its own
// fields). Returns false after reporting through the environment's error slot, out
// unchanged, when the geometry cannot be built: a length not positive and finite where
// it must be, a trace thicker than its dielectric, an etch of half the trace or more,
// conductors that overlap, a permittivity below 1.
bool line_section(const calc_env &env, const line_geometry &geometry, cross_section &out);
