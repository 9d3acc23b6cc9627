// The loss options' table, their reading from text and into a run's materials.
#include "input/loss_options.h"

#include "input/frequency_list.h"
#include "input/line_options.h"
#include "input/number_syntax.h"
#include "input/utf8.h"

#include <array>
#include <cmath>

namespace {

constexpr double default_tan_delta = 0.02, default_tan_delta_mask = 0.025;

constexpr std::array<loss_option_spec, 10> specs{{
    {"conductivity", "the conductors' conductivity in S/m (copper 5.8e7)", "5.8e7"},
    {"tan-delta", "loss tangent of the dielectric under the trace (or filling the line)", "0.02"},
    {"tan-delta2", "loss tangent of the second layer or cover (default: tan-delta)", ""},
    {"tan-delta-mask", "loss tangent of the solder mask", "0.025"},
    {"roughness",
     "the copper's roughness: none, hammerstad (give --roughness-rms) or huray "
     "(give --ball-radius and --surface-ratio)",
     "none"},
    {"roughness-rms", "rms height of the copper's profile (a length)", ""},
    {"ball-radius", "radius of the copper's nodules (a length)", ""},
    {"surface-ratio", "the nodules' surface over the flat area they stand on", ""},
    {"dielectric-model",
     "constant, or wideband-debye: permittivity and loss tangent falling with frequency "
     "as a causal laminate's do (the default for board lines)",
     ""},
    {"reference-frequency", "where epsilon-r and tan-delta are given (default 1GHz)", "1GHz"},
}};

// A number that must be finite and at least 0 (or above 0 when strict).
bool read_number(std::string_view text, bool strict, double &out) {
    std::optional<double> v = number_finite(utf8_to_wide(text));
    if (!v || *v < 0 || (strict && *v == 0)) return false;
    out = *v;
    return true;
}

std::string refusal(std::string_view name, std::string_view text, const char *what) {
    return "--" + std::string(name) + " '" + std::string(text) + "' refused: " + what;
}

} // namespace

std::span<const loss_option_spec> loss_option_specs() {
    return specs;
}

bool loss_option_known(std::string_view name) {
    for (const loss_option_spec &s : specs)
        if (name == s.spelling) return true;
    return false;
}

std::string loss_option_set(loss_input &in, std::string_view name, std::string_view text,
                            length_unit unit) {
    double v = 0;
    if (name == "conductivity") {
        if (!read_number(text, true, v)) return refusal(name, text, "a positive number of S/m");
        in.conductivity = v;
    } else if (name == "tan-delta" || name == "tan-delta2" || name == "tan-delta-mask") {
        if (!read_number(text, false, v) || v >= 1)
            return refusal(name, text, "a loss tangent from 0 to less than 1");
        (name == "tan-delta"    ? in.tan_delta
         : name == "tan-delta2" ? in.tan_delta2
                                : in.tan_delta_mask) = v;
    } else if (name == "roughness") {
        if (text == "none")
            in.roughness = roughness_spec::kind::none;
        else if (text == "hammerstad")
            in.roughness = roughness_spec::kind::hammerstad;
        else if (text == "huray")
            in.roughness = roughness_spec::kind::huray;
        else
            return refusal(name, text, "none, hammerstad or huray");
    } else if (name == "roughness-rms" || name == "ball-radius") {
        std::optional<double> metres = length_typed_metres(utf8_to_wide(text), unit);
        bool strict = name == "ball-radius";
        if (!metres || *metres < 0 || (strict && *metres == 0))
            return refusal(name, text, strict ? "a positive length" : "a length >= 0");
        (name == "roughness-rms" ? in.rms : in.ball_radius) = *metres;
    } else if (name == "surface-ratio") {
        if (!read_number(text, false, v)) return refusal(name, text, "a number >= 0");
        in.surface_ratio = v;
    } else if (name == "dielectric-model") {
        if (text == "constant")
            in.model = dielectric_model::constant;
        else if (text == "wideband-debye")
            in.model = dielectric_model::wideband_debye;
        else
            return refusal(name, text, "constant or wideband-debye");
    } else if (name == "reference-frequency") {
        std::string error;
        if (!frequency_parse(std::string(text), v, error))
            return "--" + std::string(name) + ": " + error;
        if (!(v > 0)) return refusal(name, text, "a frequency above 0");
        in.reference_frequency = v;
    } else {
        return "unknown option '--" + std::string(name) + "'";
    }
    return {};
}

std::string loss_input_read(const loss_input &in, line_type type, bool from_file,
                            line_materials &materials,
                            std::vector<std::pair<std::string, double>> &tangents,
                            line_geometry *geometry) {
    using kind = roughness_spec::kind;
    if (in.roughness != kind::hammerstad && in.rms)
        return "--roughness-rms belongs to --roughness hammerstad";
    if (in.roughness != kind::huray && (in.ball_radius || in.surface_ratio))
        return "--ball-radius and --surface-ratio belong to --roughness huray";
    if (in.roughness == kind::hammerstad && !in.rms)
        return "--roughness hammerstad needs --roughness-rms";
    if (in.roughness == kind::huray && !(in.ball_radius && in.surface_ratio))
        return "--roughness huray needs --ball-radius and --surface-ratio";
    bool second = !from_file && line_option_applies(line_option::epsilon_r2, type);
    bool mask = !from_file && line_option_applies(line_option::epsilon_mask, type);
    if (from_file && (in.tan_delta || in.tan_delta2 || in.tan_delta_mask))
        return "a cross-section file carries its regions' loss tangents: --tan-delta and its "
               "kin belong to the line types";
    if (in.tan_delta2 && !second)
        return "--tan-delta2 applies to the types with a second layer or cover";
    if (in.tan_delta_mask && !mask) return "--tan-delta-mask applies to the coated types";
    if (geometry && line_option_applies(line_option::t, type) && !(geometry->t > 0))
        return "--t: losses need a thickness: a conductor of zero thickness has no resistance";
    bool round = type == line_type::coax || type == line_type::twin_wire;
    materials.model = in.model              ? *in.model
                      : round && !from_file ? dielectric_model::constant
                                            : dielectric_model::wideband_debye;
    materials.reference_frequency = in.reference_frequency;
    materials.roughness = {in.roughness, in.rms.value_or(0), in.ball_radius.value_or(0),
                           in.surface_ratio.value_or(0)};
    // The planes and a coaxial shield are of the traces' copper; a file's of one ounce.
    double metal = geometry ? geometry->t : 35e-6;
    materials.metal = {in.conductivity, metal, metal};
    tangents.clear();
    if (from_file) return {};
    double tan_delta = in.tan_delta.value_or(default_tan_delta);
    tangents.emplace_back("tan_delta", tan_delta);
    if (second) tangents.emplace_back("tan_delta2", in.tan_delta2.value_or(tan_delta));
    if (mask)
        tangents.emplace_back("tan_delta_mask", in.tan_delta_mask.value_or(default_tan_delta_mask));
    if (geometry) {
        geometry->tan_delta = tan_delta;
        geometry->tan_delta2 = in.tan_delta2.value_or(tan_delta);
        geometry->tan_delta_mask = in.tan_delta_mask.value_or(default_tan_delta_mask);
    }
    return {};
}
