// The curves of the losses window: a line's attenuation split by cause (the single
// line's, or a pair's differential, odd mode's) and the magnitude of its impedance (a
// pair's differential impedance) against frequency, in the units the window shows: the
// attenuation per metre, or per inch when lengths are in mils or inches, the frequency
// in the largest unit its highest value reaches. Only frequencies above 0 are kept: the
// frequency axis is logarithmic.
#pragma once

#include "input/length_units.h"
#include "studies/line_spectrum.h"

#include <string>
#include <vector>

struct spectrum_curves {
    std::string mode;           // "odd (differential) mode", "mode 1", or "" for a single line
    std::string loss_unit;      // "dB/m" or "dB/in"
    std::string impedance;      // "|Z0|", "|Zdiff|", or "|Zc11|" beyond a pair
    std::string frequency_unit; // "Hz", "kHz", "MHz" or "GHz"
    double hz_per_unit = 1;     // the frequency unit in hertz
    std::vector<double> f;      // in the frequency unit
    std::vector<double> total, conductors, dielectric; // in the loss unit
    std::vector<double> z;                             // Ohm; NaN where infinite
};

spectrum_curves spectrum_curves_of(const line_spectrum &s, length_unit unit);
