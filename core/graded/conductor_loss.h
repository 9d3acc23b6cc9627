// The conductors' internal impedance from DC to any frequency: the interior currents
// (the current basis) while the skin depth is not small against the thinnest conductor,
// the surface currents (the perturbation method) once it is, crossing over where the
// skin depth is a quarter of the thinnest conductor's half-thickness (a wire's radius,
// half a trace's thickness, half a tube's wall). There both are good to a fraction of a
// percent on a wire, a coaxial line and a trace; how far apart they land is kept as the
// resistance's error. The interior model's inductance less the external inductance of
// perfect conductors (from the vacuum problem) is the internal inductance, exact at DC;
// it errs as the current crowds under the surfaces that its layers resolve only so
// finely, and is moved to meet the surface model's at the crossover, so that the
// inductance is continuous. The planes are perfect conductors in the interior model;
// their loss is the surface model's at every frequency, with the return current under
// the conductors as in the vacuum problem (which it follows from a few kilohertz on) and
// the surface impedance of a plane of the given thickness: its sheet resistance at DC.
#pragma once

#include "core/graded/interior_currents.h"
#include "core/graded/surface_currents.h"

struct conductor_loss {
    explicit conductor_loss(const calc_env &env)
        : interior(env), surface(env), offset(env_allocator<double>(env)),
          l_external(env_allocator<double>(env)), dc_resistance(env_allocator<double>(env)) {}

    interior_currents interior;
    surface_currents surface;
    int signal_count = 0;
    double conductivity = 0;    // S/m
    double plane_thickness = 0; // m
    double crossover = 0;       // Hz
    env_vector<double>
        offset;               // signals x signals, H/m: the interior model's error at the crossover
    double dc_inductance = 0; // the interior model's summed diagonal at DC, H/m
    double inductance_fall = 0;    // and its fall from DC to the crossover
    env_vector<double> l_external; // signals x signals, H/m, of perfect conductors
    // Per signal conductor, then the ground conductors together (0 without any): the
    // resistance per metre of each conductor's own cross-section, 1 / (sigma A).
    env_vector<double> dc_resistance;
    double mismatch = 0; // the two models' largest relative difference of R at the crossover
    // How far the surface model's loss integrals moved from half the panel density to
    // the density asked for (the largest relative change of a diagonal entry): their
    // error, the later of the two being the better by about as much again.
    double surface_error = 0;
    bool interior_built = false; // only the surface model answers when false
    bool planes = false;         // the section has a ground plane or an upper one
};

// The skin depth (m) in a conductor of the conductivity at the frequency.
double conductor_skin_depth(double conductivity, double f);

// The metal: its conductivity (S/m), the wall of a tube that an enclosing round conductor
// is, and the planes' thickness (m).
struct conductor_materials {
    double conductivity;
    double shield_thickness;
    double plane_thickness;
};

// Builds both models of the section's conductors, the surface one at the panel density
// (and at half of it for its error).
// l_external is the external inductance matrix (signals x signals, H/m) the internal
// inductance is measured from, the best the caller has (a converged study's); empty, the
// surface model's own solve gives it. The interior model is built only when the lowest
// frequency to be asked for lies below the crossover. Returns false after reporting
// through the environment's sinks.
bool conductor_loss_of(const calc_env &env, const cross_section &section,
                       const conductor_materials &materials, std::span<const double> l_external,
                       double density, double lowest_frequency, conductor_loss &out);

// The internal impedance matrix per metre (signals x signals, row-major) at frequency f:
// R + j omega L_int, with L_int the inductance the conductors' interiors and surfaces add
// to the external inductance of perfect conductors. At f = 0 the imaginary part holds
// the limit of L_int (henries per metre) instead of 0. Cannot fail.
void conductor_loss_impedance(const conductor_loss &loss, double f, std::complex<double> *z);
