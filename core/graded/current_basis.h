// The conductors' interiors cut into the shapes a current density is expanded in, for
// the resistance and inductance from DC until the skin depth is small against every
// conductor. A polygon is cut into horizontal slabs at its corners' heights, each slab
// into rectangles of uniform current density, the cuts graded towards every face so that
// the first layer is thinner than the skin depth it must resolve. A round conductor (a
// wire, or the tube a coaxial shield is) is cut into concentric annuli, graded likewise
// towards its faces, and on each annulus the density is a sum of azimuthal harmonics
// cos(m theta) and sin(m theta) up to a fixed order: the annuli stay exact circles
// however thin the layer, which rectangles would not, and a few harmonics carry the
// proximity effect of a neighbour.
#pragma once

#include "core/base/env_vector.h"
#include "core/graded/cross_section.h"

#include <span>

enum class basis_shape { rectangle, annulus };

// One basis function of the current density, normalised so that its density integrates
// to 1 A over its shape when m = 0; a harmonic m > 0 carries no net current.
struct current_basis {
    basis_shape shape;
    int conductor;        // a signal electrode 0 .. n-1, or n for the ground conductors together
    xs_point centre;      // the rectangle's or the annulus's
    double width, height; // a rectangle's sides (x, y)
    double inner, outer;  // an annulus's radii (inner 0: a disc)
    int m;                // an annulus's harmonic order
    bool sine;            // sin(m theta) rather than cos(m theta)
    double area;          // square metres
};

// How finely the interiors are cut: the first layer under every face, the factor each
// further layer grows by, and the highest azimuthal harmonic on the annuli.
struct basis_grading {
    double surface_layer;
    double growth;
    int harmonics;
};

// The thickness the conductors' grading must resolve at its finest: half the thinnest
// conductor's smallest extent (a wire's radius, half a trace's thickness, half a tube's
// wall). Returns 0 when a conductor has no interior (a sheet).
double current_basis_thinnest(const cross_section &section, double shield_thickness);

// Cuts every conductor of the section; an enclosing round conductor becomes a tube of
// the given wall thickness outside its circle. Returns false after reporting through the
// environment's error slot when a conductor has no interior (a sheet of zero
// thickness) or the memory cannot be had.
bool current_basis_of(const calc_env &env, const cross_section &section, double shield_thickness,
                      const basis_grading &grading, env_vector<current_basis> &out);

// The cuts of [0, length] graded towards both ends: sizes first, first * growth, ...
// from each end, at most cap, meeting in the middle. Returns the cut positions from 0
// to length inclusive.
env_vector<double> current_basis_cuts(const calc_env &env, double length, double first,
                                      double growth, double cap);
