// A line's cross-section solved for its capacitance matrices and modes at one panel
// density. A symmetric pair is solved as its two halves, the even drive (both conductors
// at 1 V) and the odd one (1 V and -1 V), each on half the panels: C11 and C12 follow
// from the two halves' charges.
#pragma once

#include "core/graded/cross_section.h"
#include "core/graded/line_modes.h"

#include <cstdint>

struct line_solution {
    explicit line_solution(const calc_env &env)
        : c(env_allocator<double>(env)), c0(env_allocator<double>(env)), modes(env) {}

    int n = 0;
    env_vector<double> c, c0; // n x n, row-major, F/m
    line_modes modes;
    std::int32_t panels = 0; // in the largest system solved
};

// The panels the section's largest system has at the density, or 0 after reporting.
std::int32_t line_panels(const calc_env &env, const cross_section &section, double density);

// Solves the section. Returns true, or false after reporting through the environment's
// sinks ("Calculation failed" or the cancellation last); out is then not to be used.
bool line_solve(const calc_env &env, const cross_section &section, double density,
                line_solution &out);
