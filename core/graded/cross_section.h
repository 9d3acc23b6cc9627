// The cross-section of a line as data: conductors and dielectric regions as polygons in
// the x-y plane (metres), surrounded by air, optionally over an infinite ground plane at
// y = 0 (everything below it is conductor at zero potential). The boundary-element layer
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

// A conductor: a closed counter-clockwise polygon, or two points for a sheet of zero
// thickness (both of its sides face the surrounding media).
struct xs_conductor {
    std::vector<xs_point> outline;
    int electrode; // 0 the top strip, 1 the bottom strip
};

// A dielectric region: a closed counter-clockwise polygon of one relative permittivity.
struct xs_dielectric {
    std::vector<xs_point> outline;
    double epsilon_r;
};

struct cross_section {
    std::vector<xs_conductor> conductors;
    std::vector<xs_dielectric> dielectrics;
    bool ground_plane;   // an infinite conductor fills y < 0
    bool mirror_x;       // the section is its own mirror image in the plane x = 0
    int electrode_count; // conductors besides the ground plane carry electrodes 0 .. count-1
};

// Whether a point lies inside a closed polygon (even-odd rule); a point on an edge may
// count either way. Cannot fail.
bool xs_inside(const std::vector<xs_point> &polygon, xs_point p);

// The relative permittivity at a point off every edge: the dielectric region holding
// it, or 1 (air). Cannot fail.
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
