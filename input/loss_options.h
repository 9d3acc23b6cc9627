// What a line is made of for its losses, as typed on the command line and in the desktop
// program: the copper's conductivity and roughness, the dielectrics' loss tangents and
// how permittivity and loss tangent move with frequency. Each option is declared once
// here (its --spelling, what it is, its default); both front ends set them by name from
// text and read them back as the materials of a run.
#pragma once

#include "core/graded/line_types.h"
#include "core/wave/line_rlgc.h"
#include "input/length_units.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct loss_option_spec {
    const char *spelling; // "tan-delta2"
    const char *meaning;  // for help and tooltips
    const char *start;    // the default as text, or "" when it follows another option
};

std::span<const loss_option_spec> loss_option_specs();

// The options as set so far; unset ones take their defaults when read.
struct loss_input {
    double conductivity = 5.8e7; // S/m, copper
    std::optional<double> tan_delta, tan_delta2, tan_delta_mask;
    roughness_spec::kind roughness = roughness_spec::kind::none;
    std::optional<double> rms, ball_radius, surface_ratio; // metres, metres, a ratio
    std::optional<dielectric_model> model;
    double reference_frequency = 1e9; // Hz
};

// Whether name (without "--") is a loss option.
bool loss_option_known(std::string_view name);

// Sets the option name (without "--") from its text, lengths read in the unit. Returns
// the empty text, or what is wrong ("--conductivity takes a positive number of S/m").
std::string loss_option_set(loss_input &in, std::string_view name, std::string_view text,
                            length_unit unit);

// The materials of a run of a line of the type (or, when from_file, of a cross-section
// file, whose regions carry their own loss tangents) and the loss tangents used, by
// key. Fills geometry's loss tangents for a named line. Returns the empty text, or what
// is wrong: a roughness model without its parameters, a parameter without its model,
// loss tangents given for a file, or a loss tangent for a layer the type lacks.
std::string loss_input_read(const loss_input &in, line_type type, bool from_file,
                            line_materials &materials,
                            std::vector<std::pair<std::string, double>> &tangents,
                            line_geometry *geometry);
