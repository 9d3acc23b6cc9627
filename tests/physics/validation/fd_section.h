// An independent reference for the tests, for any cross-section built of rectangles: the
// Maxwell capacitance matrices of a set of conductors among dielectric blocks, optionally
// between grounded planes, solved by finite volumes in the manner of fd_solve, and the line
// figures (impedances, effective permittivities) of one line or a coupled pair computed
// from them. Shares no code with the engine; slow next to it, and test-only.
#pragma once

#include "tests/physics/validation/fd_solver.h"

#include <vector>

// An axis-aligned rectangle in metres, x0 <= x1 and y0 <= y1. A conductor may have zero
// height or zero width (not both): a sheet, such as a strip of zero thickness.
struct fd_rect {
    double x0, y0, x1, y1;
};

// A conductor: signal 1..n, or 0 for a ground conductor at 0 V. A signal may be made of
// several rectangles that touch; conductors at different potentials must not touch.
struct fd_conductor {
    fd_rect box;
    int signal;
};

// A block of dielectric. Later entries override earlier ones where they overlap, and air
// (1) fills the rest. A block may reach past the far boundary of the domain (a layer
// without end is given as one running to +-infinity); what lies beyond is cut off.
struct fd_dielectric {
    fd_rect box;
    double eps_r;
};

// The conductors and dielectrics, between optional grounded planes filling y <= 0 and
// y >= upper_height. Conductors lie between the planes; ground conductors may touch them.
// The domain is bounded where there is a plane and truncated far away elsewhere: sideways
// at 10 plate spacings (times the square root of the largest permittivity ratio) from the
// conductors when both planes are present, and otherwise at 10^4 times the conductors'
// extent, where the boundary is grounded with a plane present and, with none, floats at
// zero net charge so that the ground conductors carry the return.
struct fd_section {
    std::vector<fd_conductor> conductors;
    std::vector<fd_dielectric> dielectrics;
    bool lower_plane = false;
    bool upper_plane = false;
    double upper_height = 0;
};

// The n x n Maxwell capacitance matrices in F/m, row-major: c[i n + k] is the charge on
// signal i + 1 per volt on signal k + 1, with all other conductors at 0 V; c with the
// dielectrics, c0 in air. The errors are estimates of each entry's absolute error: a third
// of its change from the same matrices extrapolated from the two coarser grids alone,
// c_coarse and c0_coarse, which fd_figures takes to estimate the figures' errors.
struct fd_matrices {
    int n = 0;
    std::vector<double> c, c0;
    std::vector<double> c_error, c0_error;
    std::vector<double> c_coarse, c0_coarse;
};

// Solves the section on three nested grids and Richardson-extrapolates, as fd_solve does.
// On board lines, quick: errors about 1e-5 relative, estimated at a few 1e-5, in under a
// second; fine: about 2e-6, estimated at 1e-5 or less, in a few seconds. Throws
// std::invalid_argument for a section it cannot solve: no signal, signals not numbered
// 1..n, no ground (neither a plane nor a ground conductor), a conductor off the region
// between the planes, or conductors at different potentials touching.
fd_matrices fd_solve_section(const fd_section &section, fd_accuracy accuracy = fd_accuracy::fine);

// The figures of the lossless line with the given capacitances. One signal conductor: z0
// and eps_eff. Two: the differential and common-mode impedances from the characteristic
// impedance matrix, and, meaningful for a symmetric pair, the odd- and even-mode
// impedances of one line (zdiff / 2 and 2 zcommon) and effective permittivities. Figures
// that do not apply are NaN. Each _error is the figure's estimated absolute error, found
// as the entries' are, from the figures of the coarse matrices.
struct fd_line_figures {
    double z0, eps_eff;
    double zdiff, zcommon, zodd, zeven, eps_eff_odd, eps_eff_even;
    double z0_error, eps_eff_error;
    double zdiff_error, zcommon_error, zodd_error, zeven_error, eps_eff_odd_error,
        eps_eff_even_error;
};

// Throws std::invalid_argument unless the matrices, coarse ones included, are of one or two
// signal conductors.
fd_line_figures fd_figures(const fd_matrices &matrices);
