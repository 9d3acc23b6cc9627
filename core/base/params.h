// The record of one calculation's inputs, shared by every part of the calculator.
#pragma once

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
