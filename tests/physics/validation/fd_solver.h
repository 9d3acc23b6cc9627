// An independent reference for the tests: the line cross-section solved a second way, by
// finite volumes on a graded rectangular grid, so that the boundary-element results can be
// checked against a method that shares none of their code or approximations. Slow next to
// the real solver (seconds per line), accurate to a few times 1e-5, and test-only.
#pragma once

// The line, lengths in metres. Two-strip line: bottom strip of width w2 centred at x = 0
// below y = 0, top strip of width w1 centred at x = d above y = h, both of thickness t >= 0
// (t = 0: sheets on the slab faces), in open space. Microstrip: the top strip alone,
// centred at x = 0, over a ground plane filling y <= 0 (w2 and d unused). The slab of
// relative permittivity eps_r fills [0, h] in y and overhangs the outermost strip edges by
// p > 0 on each side.
struct fd_case {
    double w1, w2;
    bool microstrip;
    double h, d, eps_r, p, t;
};

// Capacitances per metre (c with the slab, c0 with air everywhere; for the two-strip line
// that of the pair carrying equal and opposite charges), Z0 = 1 / (c_light sqrt(c c0)) in
// ohms, eps_eff = c / c0, and estimates of the absolute errors of z0 and eps_eff.
struct fd_result {
    double c0, c, z0, eps_eff;
    double z0_error, eps_eff_error;
};

// quick: a few 1e-4 relative or better in under a second; fine: a few 1e-5 or better in
// up to about five seconds.
enum class fd_accuracy { quick, fine };

// Solves the line on three nested grids and Richardson-extrapolates. Cannot fail for a
// well-formed line (positive finite lengths, 0 <= t < h, eps_r >= 1).
fd_result fd_solve(const fd_case &line, fd_accuracy accuracy = fd_accuracy::fine);
