// The field of a line for one drive, for drawing it: the panels of the whole section
// (no mirror halves) with their charges when the signal conductors are held at given
// voltages, the ground conductors and planes at 0 V; a section with neither (a twin wire)
// is held without net charge, its potentials then measured from the level that leaves.
// The potential anywhere is the sum over the panels of their logarithmic integrals.
#pragma once

#include "core/graded/cross_section.h"
#include "core/graded/panels.h"

#include <span>

struct line_field {
    explicit line_field(const calc_env &env)
        : x(env_allocator<double>(env)), free_density(env_allocator<double>(env)) {}

    panels_ptr set;
    env_vector<double> x;            // per panel: total charge over eps0 (V), for the drive
    env_vector<double> free_density; // per panel: free charge over eps0 (V/m); 0 off conductors
};

// Solves the section at the panel density for the voltages (one per signal conductor).
// Returns true, or false after reporting through the environment's sinks (cancelled,
// or the failure); out is then not to be used.
bool line_field_solve(const calc_env &env, const cross_section &section, double density,
                      std::span<const double> volts, line_field &out);

// The potential (V) at each point off the conductors and planes, written to out (as
// many as points; within a conductor or beyond a plane the value means nothing). The points are
// shared out to the environment's threads. Returns false when the environment's cancel flag stops
// it.
bool line_field_potentials(const calc_env &env, const line_field &field,
                           std::span<const xs_point> points, double *out);
