// The cross-section of a line as data: conductors and dielectric regions as polygons in
// the x-y plane (metres), in a background medium (air unless stated), optionally over an
// infinite ground plane at y = 0 (everything below it is conductor at zero potential)
// and under a second one at y = H (everything above it likewise). The boundary-element layer
// meshes whatever is described here, so a further conductor or layer (a cover, coplanar
// grounds, a second trace) is a new description, not a new solver.
#pragma once

#include "core/base/calc_env.h"
#include "core/base/params.h"

#include <vector>

struct xs_point {
    double x;
    double y;
};

// The electrode number of a ground conductor: at the reference potential, like the planes.
constexpr int xs_ground = -1;

// A conductor: a closed counter-clockwise polygon, or two points for a sheet of zero
// thickness (both of its sides face the surrounding media). A conductor with a hole (a
// coaxial shield) is one polygon that runs round the outside, in along a cut, round the
// hole the other way and back: the cut has conductor on both sides and carries no panel.
struct xs_conductor {
    std::vector<xs_point> outline;
    int electrode; // signal conductors 0 .. electrode_count - 1, or xs_ground
};

// A round conductor (a wire) of the given radius, or, enclosing, the inner surface of
// a shield that fills everything outside the circle. Its panels are chords of the
// circle itself, as many more as the density asks, so that refinement converges to the
// circle and not to a polygon drawn once.
struct xs_round {
    xs_point centre;
    double radius;
    int electrode;
    bool enclosing;
};

// A dielectric region: a closed counter-clockwise polygon of one relative permittivity
// and loss tangent (both at the reference frequency of the line's dielectric model).
struct xs_dielectric {
    std::vector<xs_point> outline;
    double epsilon_r;
    double tan_delta = 0;
};

struct cross_section {
    std::vector<xs_conductor> conductors;
    std::vector<xs_dielectric> dielectrics; // the first holding a point gives its permittivity
    std::vector<xs_round> rounds;           // after the polygons, in the panels' order
    bool ground_plane;                      // an infinite conductor fills y < 0
    bool mirror_x;            // the section is its own mirror image in the plane x = 0
    int electrode_count;      // signal conductors carry electrodes 0 .. count-1
    bool upper_plane = false; // an infinite conductor fills y > upper_height
    double upper_height = 0;
    double background_epsilon_r = 1; // outside every dielectric region
    double background_tan_delta = 0;
    // With mirror_x: signal conductors 0 and 1 are each other's mirror images (a
    // symmetric pair), solved as its even and odd halves; otherwise every conductor is
    // its own mirror image.
    bool mirror_pair = false;
    // Split every boundary segment under each conductor corner near it, so that a long
    // layer refines where a conductor comes close (a cover over an embedded trace). The
    // two-strip line's layout predates this and keeps its panels.
    bool cut_under_corners = false;
};

// The half of a symmetric pair (mirror_pair) that its even and odd drives are solved on:
// the conductor right of the mirror plane as the one signal electrode. Cannot fail but
// for memory.
cross_section xs_pair_half(const cross_section &section);

// Whether anything holds the potential's reference: a plane or a ground conductor.
bool xs_has_reference(const cross_section &section);

// Whether a point lies inside a closed polygon (even-odd rule); a point on an edge may
// count either way. Cannot fail.
bool xs_inside(const std::vector<xs_point> &polygon, xs_point p);

// The dielectric region holding a point off every edge (its index, the first that holds
// it), or -1 for the background. Cannot fail.
int xs_region_at(const cross_section &section, xs_point p);

// The relative permittivity at a point off every edge: the dielectric region holding
// it, or the background's. Cannot fail.
double xs_permittivity_at(const cross_section &section, xs_point p);

// How far along a conductor's outline, from its first corner, the point of the outline
// nearest p lies (metres). Cannot fail.
double xs_along_outline(const xs_conductor &conductor, xs_point p);

// The two-strip line of the params (metres, p > 0 resolved; w2 <= 0 is a microstrip over
// a ground plane, its strip centred at x = 0) with strips of thickness t >= 0: the slab
// fills [left, right] x [0, h], the top strip [d - w1/2, d + w1/2] x [h, h + t] and the
// bottom strip [-w2/2, w2/2] x [-t, 0]. Returns false after reporting through the
// environment's error slot when a length is not positive and finite, or t exceeds h or
// lies below a millionth of it without being 0; out is then unchanged. A description is
// a small value of the caller's; the engine's own arrays come from the run's environment.
bool xs_line(const calc_env &env, const calc_params &params, cross_section &out);
