// The field of a line for one drive on a grid over a window of its cross-section: the
// potential at each grid point off the metal, and each conductor panel's free charge
// density. What the desktop program's field view draws and exports.
#pragma once

#include "core/base/calc_env.h"
#include "core/graded/cross_section.h"

#include <string>
#include <vector>

struct field_map {
    double left = 0, bottom = 0, right = 0, top = 0; // the grid's window, metres
    int nx = 0, ny = 0;                              // grid columns and rows
    std::vector<double> potential; // nx * ny volts, row after row from the bottom; NaN in metal
    struct charge {
        xs_point a, b, normal; // the panel and its normal into the medium
        double density;        // free charge over eps0, V/m
    };
    std::vector<charge> charges; // every conductor panel's
};

// The section driven at the voltages (one per signal conductor; ground conductors and
// planes at 0 V, a section without either held neutral), on a grid of about the given
// number of points over the window. Returns true, or false when cancelled or failed,
// with the failure's reason in why.
bool field_map_compute(const calc_env &env, const cross_section &section, double left,
                       double bottom, double right, double top, const std::vector<double> &volts,
                       int points, field_map &out, std::wstring &why);
