// A line's run over frequencies as text lines, a CSV table, its JSON record and the
// comments of its Touchstone file. Attenuation in dB per metre (and per inch when the
// lengths are in mils or inches), split into the conductors' and the dielectric's
// parts; a pair's modes named for what they are (the odd or differential mode, with
// opposite-signed voltages, and the even or common one).
#pragma once

#include "input/length_units.h"
#include "input/line_options.h"
#include "studies/line_spectrum.h"

#include <string>
#include <utility>
#include <vector>

// 20 log10(e): nepers to decibels.
constexpr double spectrum_db_per_neper = 8.685889638065037;

// One mode's derived figures at frequency f: eps_eff = (beta c / omega)^2, the delay
// beta / omega (s/m) and the phase velocity omega / beta (m/s); NaN at DC.
struct mode_figures {
    double alpha_db, alpha_conductor_db, alpha_dielectric_db; // dB/m
    double beta;                                              // rad/m
    double eps_eff, delay, phase_velocity;
};
mode_figures spectrum_mode_figures(const spectrum_point &p, int mode);

// The mode's name: "" for a single line, "odd" or "even" for a pair, "mode k" beyond.
std::string spectrum_mode_name(const line_spectrum &s, const spectrum_point &p, int mode);

// The text: the conductors' DC resistances and the crossover, then per frequency its
// matrices, Zc and each mode's attenuation, phase constant, eps_eff and delay.
std::vector<std::string> spectrum_report(const line_spectrum &s, length_unit unit);

// The CSV table: a header, then one row per frequency (SI units, dB/m).
std::string spectrum_csv(const line_spectrum &s);

// What the losses were computed with, for the record and the Touchstone comments.
struct spectrum_settings {
    line_materials materials;
    // The loss tangents given, by option ("tan_delta", "tan_delta2", "tan_delta_mask");
    // none for a cross-section file, whose regions carry their own.
    std::vector<std::pair<std::string, double>> loss_tangents;
};

// The lossless record (line_record_json's) with "losses" (the materials, the
// crossover, the DC resistances) and "frequencies" (one object per frequency) added.
std::string spectrum_record_json(const line_input *input, const line_estimate &e, double tolerance,
                                 const line_spectrum &s, const spectrum_settings &settings);

// A named line's options as typed, for the Touchstone file's comments: "w 0.3 mm", a
// number of a length option in millimetres (the form the texts are kept in), a keyword as
// it is ("substrate-width AUTO"). None for a cross-section file (null input).
std::vector<std::string> spectrum_option_lines(const line_input *input);

// The Touchstone file's text: comments naming the line (title, options as typed), the
// materials and the ports, then the S-parameters.
std::string spectrum_touchstone(const std::string &title, const std::vector<std::string> &options,
                                const line_spectrum &s, const spectrum_settings &settings);
