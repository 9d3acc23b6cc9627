// Texts and records of a line's figures.
#include "studies/line_report.h"

#include "studies/line_record.h"

#include "input/number_syntax.h"
#include "input/utf8.h"
#include "studies/study.h"
#include "studies/text_format.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace {

using json = nlohmann::ordered_json;

// "50.123456 +- 0.000123 Ohm", or without the error for a single solve.
std::string with_error(const line_estimate &e, std::size_t f, double scale, const char *unit) {
    std::string text = printf_string("%.6f", e.value[f] * scale);
    if (!e.single) text += printf_string(" +- %.6f", e.error[f] * scale);
    return *unit ? text + " " + unit : text;
}

std::string matrix_text(const line_estimate &e, std::size_t (line_layout::*at)(int, int) const,
                        double scale) {
    std::string text = "[";
    for (int i = 0; i < e.layout.n; ++i) {
        text += i ? ", [" : "[";
        for (int j = 0; j < e.layout.n; ++j)
            text += printf_string(j ? ", %.6g" : "%.6g", e.value[(e.layout.*at)(i, j)] * scale);
        text += "]";
    }
    return text + "]";
}

// V2 / V1 of mode k of a pair.
double voltage_ratio(const line_estimate &e, int k) {
    return e.mode_voltages[std::size_t(2 * k + 1)] / e.mode_voltages[std::size_t(2 * k)];
}

} // namespace

std::string line_step_report(const line_point &point, const line_layout &layout) {
    if (!point.ok)
        return printf_string("density %g: failed: %s", point.density,
                             wide_to_utf8(point.failure).c_str());
    bool pair = layout.n == 2;
    std::size_t f = pair            ? layout.at(pair_figure::zdiff)
                    : layout.n == 1 ? layout.at(line_figure::z0)
                                    : layout.mode_z(0);
    return printf_string("density %g: %d panels, %s = %.6f Ohm", point.density, point.panels,
                         pair            ? "Zdiff"
                         : layout.n == 1 ? "Z0"
                                         : "Z of mode 1",
                         point.values[f]);
}

std::vector<std::string> line_report(const std::string &title, const line_estimate &e,
                                     length_unit unit, double tolerance) {
    std::vector<std::string> lines{title};
    if (!e.estimated) {
        lines.push_back(e.cancelled ? "Cancelled before any solve"
                                    : "Calculation failed: " + wide_to_utf8(e.stop));
        return lines;
    }
    if (e.single) {
        lines.push_back("Single solve (no error estimate)");
    } else if (e.converged) {
        lines.push_back(printf_string("Converged: estimated error %.2g%%, within %g%%",
                                      e.reached * 100, tolerance * 100));
    } else {
        lines.push_back(
            printf_string("Not converged: estimated error %.2g%% (tolerance %g%%); stopped by %s",
                          e.reached * 100, tolerance * 100, wide_to_utf8(e.stop).c_str()));
    }
    const line_layout &l = e.layout;
    if (l.n == 1) {
        // Delay per unit of the chosen length: per millimetre, or per inch for mils.
        double per = unit == length_unit::mil || unit == length_unit::inch ? 0.0254 : 0.001;
        const char *delay_unit = per == 0.001 ? "ps/mm" : "ps/in";
        lines.push_back("Z0 = " + with_error(e, l.at(line_figure::z0), 1, "Ohm"));
        lines.push_back("Effective permittivity = " +
                        with_error(e, l.at(line_figure::eps_eff), 1, ""));
        lines.push_back("Delay = " +
                        with_error(e, l.at(line_figure::delay), 1e12 * per, delay_unit));
        lines.push_back("C = " + with_error(e, l.at(line_figure::c), 1e12, "pF/m"));
        lines.push_back("L = " + with_error(e, l.at(line_figure::l), 1e9, "nH/m"));
        return lines;
    }
    if (l.n == 2) {
        lines.push_back("Zdiff = " + with_error(e, l.at(pair_figure::zdiff), 1, "Ohm"));
        lines.push_back("Zcommon = " + with_error(e, l.at(pair_figure::zcommon), 1, "Ohm"));
        if (e.symmetric) {
            lines.push_back("Zodd = " + with_error(e, l.at(pair_figure::zodd), 1, "Ohm"));
            lines.push_back("Zeven = " + with_error(e, l.at(pair_figure::zeven), 1, "Ohm"));
            lines.push_back("Effective permittivity odd = " +
                            with_error(e, l.at(pair_figure::eps_eff_odd), 1, ""));
            lines.push_back("Effective permittivity even = " +
                            with_error(e, l.at(pair_figure::eps_eff_even), 1, ""));
        } else {
            // An unsymmetric pair's modes are not odd and even: each is named by the
            // voltages it puts on the two conductors.
            int odd = voltage_ratio(e, 0) < 0 ? 0 : 1, even = 1 - odd;
            lines.push_back(printf_string("Z of the mode with opposite voltages (V2/V1 = %.4f) = ",
                                          voltage_ratio(e, odd)) +
                            with_error(e, l.at(pair_figure::zodd), 1, "Ohm"));
            lines.push_back(printf_string("Z of the mode with like voltages (V2/V1 = %.4f) = ",
                                          voltage_ratio(e, even)) +
                            with_error(e, l.at(pair_figure::zeven), 1, "Ohm"));
            lines.push_back("Effective permittivity of the opposite mode = " +
                            with_error(e, l.at(pair_figure::eps_eff_odd), 1, ""));
            lines.push_back("Effective permittivity of the like mode = " +
                            with_error(e, l.at(pair_figure::eps_eff_even), 1, ""));
        }
        lines.push_back("Coupling = " + with_error(e, l.at(pair_figure::coupling), 1, ""));
    } else {
        for (int k = 0; k < l.n; ++k) {
            lines.push_back(
                printf_string("Mode %d: Z = ", k + 1) + with_error(e, l.mode_z(k), 1, "Ohm") +
                ", effective permittivity = " + with_error(e, l.mode_eps_eff(k), 1, ""));
        }
    }
    lines.push_back("C matrix (pF/m) = " + matrix_text(e, &line_layout::c_matrix, 1e12));
    lines.push_back("L matrix (nH/m) = " + matrix_text(e, &line_layout::l_matrix, 1e9));
    lines.push_back("Zc matrix (Ohm) = " + matrix_text(e, &line_layout::zc_matrix, 1));
    return lines;
}

namespace {

json number(double value) {
    return std::isfinite(value) ? json(value) : json(nullptr);
}

void put(json &doc, const char *key, const line_estimate &e, std::size_t f) {
    doc[key] = number(e.value[f]);
    doc[std::string(key) + "_error"] = number(e.single ? NAN : e.error[f]);
}

void put_matrix(json &doc, const char *key, const line_estimate &e,
                std::size_t (line_layout::*at)(int, int) const) {
    json values = json::array(), errors = json::array();
    for (int i = 0; i < e.layout.n; ++i) {
        json row = json::array(), error_row = json::array();
        for (int j = 0; j < e.layout.n; ++j) {
            std::size_t f = (e.layout.*at)(i, j);
            row.push_back(number(e.value[f]));
            error_row.push_back(number(e.single ? NAN : e.error[f]));
        }
        values.push_back(row);
        errors.push_back(error_row);
    }
    doc[key] = values;
    doc[std::string(key) + "_error"] = errors;
}

} // namespace

json line_record(const line_input *input, const line_estimate &e, double tolerance) {
    json doc;
    doc["line"] = input ? line_type_spec_of(input->type).name : "cross-section";
    if (input) {
        json &options = doc["options"] = json::object();
        for (const line_option_spec &o : line_option_specs()) {
            if (!line_option_applies(o.option, input->type)) continue;
            std::wstring text = line_text_of(*input, o.option);
            std::optional<double> v = number_finite(text);
            options[o.key] = !v                             ? json(nullptr)
                             : o.unit == field_unit::length ? json(line_metres(text, *v))
                                                            : json(*v);
        }
    }
    doc["single_solve"] = e.single;
    doc["tolerance"] = e.single ? json(nullptr) : json(tolerance);
    doc["converged"] = e.converged;
    doc["stopped_by"] = e.converged || e.single ? json(nullptr) : json(wide_to_utf8(e.stop));
    json &points = doc["solves"] = json::array();
    for (const line_point &p : e.points) {
        json point{{"density", p.density}, {"ok", p.ok}};
        if (p.ok)
            point["panels"] = p.panels;
        else
            point["reason"] = wide_to_utf8(p.failure);
        points.push_back(point);
    }
    if (!e.estimated) return doc;
    const line_layout &l = e.layout;
    if (l.n == 1) {
        put(doc, "Z0", e, l.at(line_figure::z0));
        put(doc, "eps_eff", e, l.at(line_figure::eps_eff));
        put(doc, "delay", e, l.at(line_figure::delay));
        put(doc, "C", e, l.at(line_figure::c));
        put(doc, "L", e, l.at(line_figure::l));
        return doc;
    }
    put_matrix(doc, "C_matrix", e, &line_layout::c_matrix);
    put_matrix(doc, "L_matrix", e, &line_layout::l_matrix);
    put_matrix(doc, "Zc_matrix", e, &line_layout::zc_matrix);
    json &modes = doc["modes"] = json::array();
    for (int k = 0; k < l.n; ++k) {
        json mode;
        put(mode, "Z", e, l.mode_z(k));
        put(mode, "eps_eff", e, l.mode_eps_eff(k));
        json voltages = json::array();
        for (int i = 0; i < l.n; ++i)
            voltages.push_back(e.mode_voltages[std::size_t(k * l.n + i)]);
        mode["voltages"] = voltages;
        modes.push_back(mode);
    }
    if (l.n == 2) {
        doc["symmetric"] = e.symmetric;
        const char *keys[] = {"Zodd",        "Zeven",        "Zdiff",   "Zcommon",
                              "eps_eff_odd", "eps_eff_even", "coupling"};
        for (int f = 0; f < 7; ++f)
            put(doc, keys[f], e, l.at(pair_figure(f)));
    }
    return doc;
}

namespace {

// An option's value in SI.
double option_si(line_option option, double value) {
    return line_option_spec_of(option).unit == field_unit::length
               ? line_metres(study_value_text(value), value)
               : value;
}

} // namespace

std::string line_record_json(const line_input *input, const line_estimate &e, double tolerance) {
    return line_record(input, e, tolerance).dump(2) + "\n";
}

std::string line_sweep_json(const line_input &input, const line_sweep &s, double tolerance) {
    json doc;
    doc["line"] = line_type_spec_of(input.type).name;
    doc["sweep"] = line_option_spec_of(s.option).key;
    doc["cancelled"] = s.cancelled;
    json &points = doc["points"] = json::array();
    for (std::size_t k = 0; k < s.points.size(); ++k) {
        json point{{"value", option_si(s.option, s.x[k])}};
        point.update(line_record(&input, s.points[k], tolerance));
        point["ok"] = s.points[k].estimated;
        if (!s.points[k].estimated) point["reason"] = wide_to_utf8(s.points[k].stop);
        points.push_back(point);
    }
    return doc.dump(2) + "\n";
}

std::string line_synthesis_json(const line_input &input, line_option option, const char *target,
                                double goal, const line_synthesis &s, double tolerance) {
    json doc;
    doc["line"] = line_type_spec_of(input.type).name;
    doc["solve_for"] = line_option_spec_of(option).key;
    doc["target"] = target;
    doc["goal"] = goal;
    doc["found"] = s.found;
    doc["solves"] = s.solves;
    doc["value"] = s.found ? json(option_si(option, s.value)) : json(nullptr);
    doc["searched_from"] = option_si(option, s.from);
    doc["searched_to"] = option_si(option, s.to);
    doc["reason"] = s.failure.empty() ? json(nullptr) : json(wide_to_utf8(s.failure));
    if (s.found) doc["result"] = line_record(&input, s.best, tolerance);
    return doc.dump(2) + "\n";
}
