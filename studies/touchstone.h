// S-parameters as a Touchstone 1.1 file's text, the form circuit simulators read: the
// comments, the option line "# Hz S RI R <z_ref>" (frequencies in hertz, S-parameters as
// real and imaginary parts, every port referenced to z_ref ohms), then one block per
// frequency. A 1- or 2-port's block is one line, a 2-port's in the format's own order
// S11 S21 S12 S22; from 3 ports on, each row of the matrix starts a line, with at most
// four pairs on a line and the rest of the row on continuation lines. Every number is
// written in the shortest form that reads back to the same double, whatever the
// process's locale. Writing the file is the caller's affair (file_write_atomic).
#pragma once

#include <complex>
#include <span>
#include <string>
#include <vector>

// The file's text: each comment as "! " lines of its own (one per line of the comment),
// the option line, then for frequency k its ports x ports S-matrix, row-major, from
// s[k * ports * ports]. Returns the empty text when ports is below 1 or s does not hold
// ports^2 values per frequency. The values are the caller's to keep finite: an infinity
// or a NaN would be written as inf or nan, which no reader takes.
std::string touchstone_text(int ports, const std::vector<std::string> &comments,
                            std::span<const double> frequencies,
                            std::span<const std::complex<double>> s, double z_ref);
