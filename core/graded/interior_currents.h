// The currents inside the conductors at any frequency, by the current basis: with R the
// basis's resistances (diagonal: the functions of one conductor do not overlap, and the
// harmonics of an annulus are orthogonal) and L its partial inductances, the expansion
// coefficients a of the density obey
//   (R + j omega L) a = B V,
// B saying which conductor (at voltage drop V per metre) each function with net current
// belongs to, and the conductors' currents are B^T a. With S = R^(-1/2) and the
// eigen-decomposition S L S = Q Lambda Q^T, done once,
//   I = W^T (1 + j omega Lambda)^-1 W V,   W = Q^T S B,
// so that every further frequency costs only the conductors' small matrices. The ground
// conductors are one conductor held at the reference; without a plane the currents of
// all conductors together vanish (a two-dimensional line with a net current would have
// no finite inductance). The planes are perfect conductors here: their own loss is the
// surface loss's.
#pragma once

#include "core/graded/current_basis.h"

#include <complex>

struct interior_currents {
    explicit interior_currents(const calc_env &env)
        : lambda(env_allocator<double>(env)), w(env_allocator<double>(env)) {}

    int signal_count = 0;      // signal conductors
    int columns = 0;           // signal conductors, and one more for the ground conductors
    bool floating = false;     // no plane: the currents sum to zero
    env_vector<double> lambda; // per eigenvector, seconds
    env_vector<double> w;      // eigenvectors x columns, row-major
    std::size_t basis_count = 0;
};

// Builds the model of the section's conductors at the conductivity (S/m). Returns
// false after reporting through the environment's sinks: a conductor without interior,
// no return path, a cancellation, or the memory.
bool interior_currents_of(const calc_env &env, const cross_section &section,
                          double shield_thickness, double conductivity,
                          const basis_grading &grading, interior_currents &out);

// The series impedance matrix of the signal conductors, with their return, at the
// angular frequency (ohms per metre, signals x signals, row-major). Cannot fail.
void interior_currents_impedance(const interior_currents &model, double omega,
                                 std::complex<double> *z);
