// A solved line over a list of frequencies: its per-metre R, L, G and C, characteristic
// impedance, modes with their attenuation split by cause, and, for a given length, the
// S-parameters of that length of line. The lossless study gives C and the external
// inductance with their errors; the losses are built once on the study's finest layout
// and every frequency then costs only small matrices.
#pragma once

#include "core/wave/line_rlgc.h"
#include "studies/line_study.h"

#include <complex>
#include <span>
#include <string>
#include <vector>

struct spectrum_mode {
    std::complex<double> gamma;                 // alpha + j beta, 1/m
    double alpha_conductor, alpha_dielectric;   // Np/m
    std::vector<std::complex<double>> voltages; // largest magnitude 1
};

struct spectrum_point {
    double f = 0;                         // Hz
    std::vector<double> r, l, g, c;       // n x n, row-major, per metre
    std::vector<std::complex<double>> zc; // n x n; infinite at DC when G vanishes
    std::vector<spectrum_mode> modes;     // slowest first
    std::complex<double> zdiff, zcommon;  // a pair's
    double r_error = 0;                   // R's stated error here, relative
};

struct line_spectrum {
    bool ok = false;
    std::wstring failure; // why not, when not ok
    int n = 1;
    std::vector<spectrum_point> points;
    std::vector<std::complex<double>> s; // with a length: (2n)^2 per frequency, row-major
    double length = 0;                   // m; 0: no S-parameters
    double z_ref = 50;
    double crossover = 0; // Hz, where the conductor model changes over
    double mismatch = 0;  // R's relative difference of the two models there
    // The stated errors, relative: R's largest over the frequencies (each point has its
    // own) and G's (the regions' shares' change with the panel density).
    double r_error = 0, g_error = 0;
    std::vector<double> dc_resistance; // per conductor, the ground's last when there is one
};

// Runs the line's losses over the frequencies (rising) for the study e of the section,
// the loss models at panel density 1 (or the study's finest, when that is coarser) and
// their errors from half of it,
// with the S-parameters of length metres (0: none) against z_ref ohms at every port.
// Stops at a failure or a cancel, with the reason in failure.
line_spectrum line_spectrum_run(const cross_section &section, const line_estimate &e,
                                const line_materials &materials,
                                std::span<const double> frequencies, double length, double z_ref,
                                const calc_env &env);

// Which mode of a pair is the odd one (opposite-signed voltages): 0 or 1.
int spectrum_odd_mode(const spectrum_point &p);
