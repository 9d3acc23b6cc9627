// Texts, tables and records of a line over frequencies.
#include "studies/spectrum_report.h"

#include "core/graded/accurate_solver.h"
#include "input/frequency_list.h"
#include "input/number_syntax.h"
#include "input/utf8.h"
#include "studies/line_record.h"
#include "studies/text_format.h"
#include "studies/touchstone.h"

#include <cmath>
#include <numbers>

namespace {

using json = nlohmann::ordered_json;
using cplx = std::complex<double>;

json number(double value) {
    return std::isfinite(value) ? json(value) : json(nullptr);
}

json complex_json(cplx z) {
    return json::array({number(z.real()), number(z.imag())});
}

// A real n x n matrix: its one value for a single line, else rows.
json matrix_json(int n, const std::vector<double> &m) {
    if (n == 1) return number(m[0]);
    json rows = json::array();
    for (int i = 0; i < n; ++i) {
        json row = json::array();
        for (int j = 0; j < n; ++j)
            row.push_back(number(m[std::size_t(i * n + j)]));
        rows.push_back(row);
    }
    return rows;
}

json complex_matrix_json(int n, const std::vector<cplx> &m) {
    if (n == 1) return complex_json(m[0]);
    json rows = json::array();
    for (int i = 0; i < n; ++i) {
        json row = json::array();
        for (int j = 0; j < n; ++j)
            row.push_back(complex_json(m[std::size_t(i * n + j)]));
        rows.push_back(row);
    }
    return rows;
}

void put_mode(json &doc, const line_spectrum &s, const spectrum_point &p, int k) {
    mode_figures m = spectrum_mode_figures(p, k);
    doc["alpha_conductor"] = number(m.alpha_conductor_db);
    doc["alpha_conductor_error"] = number(m.alpha_conductor_db * p.r_error);
    doc["alpha_dielectric"] = number(m.alpha_dielectric_db);
    doc["alpha_dielectric_error"] = number(m.alpha_dielectric_db * s.g_error);
    doc["alpha"] = number(m.alpha_db);
    doc["beta"] = number(m.beta);
    doc["eps_eff"] = number(m.eps_eff);
    doc["delay"] = number(m.delay);
    doc["phase_velocity"] = number(m.phase_velocity);
}

json point_json(const line_spectrum &s, const spectrum_point &p) {
    json doc{{"f", p.f}};
    doc["R"] = matrix_json(s.n, p.r);
    doc["R_error"] = p.r_error;
    doc["L"] = matrix_json(s.n, p.l);
    doc["G"] = matrix_json(s.n, p.g);
    doc["C"] = matrix_json(s.n, p.c);
    doc["Zc"] = complex_matrix_json(s.n, p.zc);
    if (s.n == 1) {
        put_mode(doc, s, p, 0);
        return doc;
    }
    if (s.n == 2) {
        doc["Zdiff"] = complex_json(p.zdiff);
        doc["Zcommon"] = complex_json(p.zcommon);
    }
    json &modes = doc["modes"] = json::array();
    for (int k = 0; k < s.n; ++k) {
        json mode{{"name", spectrum_mode_name(s, p, k)}};
        json voltages = json::array();
        for (cplx v : p.modes[std::size_t(k)].voltages)
            voltages.push_back(complex_json(v));
        mode["voltages"] = voltages;
        put_mode(mode, s, p, k);
        modes.push_back(mode);
    }
    return doc;
}

const char *roughness_name(roughness_spec::kind k) {
    return k == roughness_spec::kind::hammerstad ? "hammerstad"
           : k == roughness_spec::kind::huray    ? "huray"
                                                 : "none";
}

json roughness_json(const roughness_spec &r) {
    json doc{{"model", roughness_name(r.model)}};
    if (r.model == roughness_spec::kind::hammerstad) doc["rms"] = r.rms;
    if (r.model == roughness_spec::kind::huray) {
        doc["ball_radius"] = r.ball_radius;
        doc["surface_ratio"] = r.surface_ratio;
    }
    return doc;
}

const char *model_name(dielectric_model m) {
    return m == dielectric_model::constant ? "constant" : "wideband-debye";
}

// "12.3456 - j0.0123 Ohm", "infinite" when Zc is (a line without dielectric loss at DC).
std::string impedance_text(cplx z) {
    if (!std::isfinite(z.real())) return "infinite";
    return printf_string("%.4f %c j%.4f Ohm", z.real(), z.imag() < 0 ? '-' : '+',
                         std::fabs(z.imag()));
}

// "50.05 MHz": six digits in the largest unit the frequency reaches.
std::string frequency_shown(double f) {
    const char *units[] = {"Hz", "kHz", "MHz", "GHz", "THz"};
    int k = 0;
    while (k < 4 && std::fabs(f) >= 1e3) {
        f /= 1e3;
        ++k;
    }
    return printf_string("%.6g %s", f, units[k]);
}

std::string matrix_text(int n, const std::vector<double> &m, double scale) {
    if (n == 1) return printf_string("%.6g", m[0] * scale);
    std::string text = "[";
    for (int i = 0; i < n; ++i) {
        text += i ? ", [" : "[";
        for (int j = 0; j < n; ++j)
            text += printf_string(j ? ", %.6g" : "%.6g", m[std::size_t(i * n + j)] * scale);
        text += "]";
    }
    return text + "]";
}

// One mode's line: attenuation (per metre, and per inch in the inch units), phase
// constant, eps_eff and delay.
std::string mode_text(const spectrum_point &p, int k, length_unit unit) {
    mode_figures m = spectrum_mode_figures(p, k);
    std::string text = printf_string("alpha = %.6g dB/m (conductors %.6g, dielectric %.6g)",
                                     m.alpha_db, m.alpha_conductor_db, m.alpha_dielectric_db);
    if (unit == length_unit::mil || unit == length_unit::inch)
        text += printf_string(" = %.6g dB/in", m.alpha_db * 0.0254);
    if (p.f > 0)
        text += printf_string(", beta = %.6g rad/m, eps_eff = %.6f, delay = %.6g ps/mm", m.beta,
                              m.eps_eff, m.delay * 1e9);
    return text;
}

// A CSV cell: the number, or nothing for a non-finite one (Zc at DC, eps_eff at DC).
std::string csv_number(double value) {
    return std::isfinite(value) ? format_double(value) : std::string();
}

} // namespace

mode_figures spectrum_mode_figures(const spectrum_point &p, int mode) {
    const spectrum_mode &m = p.modes[std::size_t(mode)];
    double omega = 2 * std::numbers::pi * p.f, beta = m.gamma.imag();
    double alpha = m.alpha_conductor + m.alpha_dielectric;
    mode_figures out{alpha * spectrum_db_per_neper,
                     m.alpha_conductor * spectrum_db_per_neper,
                     m.alpha_dielectric * spectrum_db_per_neper,
                     beta,
                     NAN,
                     NAN,
                     NAN};
    if (p.f > 0 && beta > 0) {
        double ratio = beta * accurate_light_speed / omega;
        out.eps_eff = ratio * ratio;
        out.delay = beta / omega;
        out.phase_velocity = omega / beta;
    }
    return out;
}

std::string spectrum_mode_name(const line_spectrum &s, const spectrum_point &p, int mode) {
    if (s.n == 1) return "";
    if (s.n == 2) return mode == spectrum_odd_mode(p) ? "odd" : "even";
    return "mode " + std::to_string(mode + 1);
}

std::vector<std::string> spectrum_report(const line_spectrum &s, length_unit unit) {
    std::vector<std::string> lines;
    std::string dc = "DC resistance (Ohm/m):";
    for (std::size_t k = 0; k < s.dc_resistance.size(); ++k) {
        if (!(s.dc_resistance[k] > 0)) continue;
        bool ground = int(k) == s.n;
        dc += ground ? printf_string(" ground conductors %.6g", s.dc_resistance[k])
                     : printf_string(" conductor %zu %.6g", k + 1, s.dc_resistance[k]);
    }
    lines.push_back(dc);
    bool interior = !s.points.empty() && s.points.front().f < s.crossover;
    lines.push_back(
        interior ? printf_string("Conductor model: currents inside the conductors below %.4g MHz, "
                                 "surface currents above (there they differ by %.2f %% in R)",
                                 s.crossover / 1e6, 100 * s.mismatch)
                 : printf_string("Conductor model: surface currents (the skin depth is small "
                                 "against every conductor from %.4g MHz on)",
                                 s.crossover / 1e6));
    lines.push_back(
        printf_string("Stated errors: R up to +- %.2g %% (each frequency's below), G +- "
                      "%.2g %%; the attenuation's parts in proportion",
                      100 * s.r_error, 100 * s.g_error));
    for (const spectrum_point &p : s.points) {
        lines.push_back("f = " + frequency_shown(p.f) + ":");
        lines.push_back("  R = " + matrix_text(s.n, p.r, 1) +
                        printf_string(" Ohm/m (+- %.2g %%), L = ", 100 * p.r_error) +
                        matrix_text(s.n, p.l, 1e9) + " nH/m, G = " + matrix_text(s.n, p.g, 1e3) +
                        " mS/m, C = " + matrix_text(s.n, p.c, 1e12) + " pF/m");
        if (s.n == 1) {
            lines.push_back("  Zc = " + impedance_text(p.zc[0]) + ", " + mode_text(p, 0, unit));
            continue;
        }
        if (s.n == 2)
            lines.push_back("  Zdiff = " + impedance_text(p.zdiff) +
                            ", Zcommon = " + impedance_text(p.zcommon));
        for (int k = 0; k < s.n; ++k) {
            std::string name = spectrum_mode_name(s, p, k);
            if (s.n == 2) name += name == "odd" ? " (differential) mode" : " (common) mode";
            lines.push_back("  " + name + ": " + mode_text(p, k, unit));
        }
    }
    return lines;
}

std::string spectrum_csv(const line_spectrum &s) {
    int n = s.n;
    std::string text = "f";
    // Appended piece by piece: g++ 12 warns falsely of overlapping copies in "," + text.
    auto cell = [&text](const std::string &value) {
        text += ',';
        text += value;
    };
    for (const char *m : {"R", "L", "G", "C"})
        for (int i = 0; i < n; ++i)
            for (int j = i; j < n; ++j)
                cell(n == 1 ? std::string(m) : printf_string("%s%d%d", m, i + 1, j + 1));
    if (n == 1)
        for (const char *c : {"Zc_re", "Zc_im"})
            cell(c);
    if (n == 2)
        for (const char *c : {"Zdiff_re", "Zdiff_im", "Zcommon_re", "Zcommon_im"})
            cell(c);
    for (int k = 0; k < n; ++k) {
        std::string mode = n == 1   ? ""
                           : n == 2 ? (k == 0 ? "odd_" : "even_")
                                    : printf_string("mode%d_", k + 1);
        for (const char *f :
             {"alpha_conductor", "alpha_dielectric", "alpha", "beta", "eps_eff", "delay"})
            cell(mode + f);
    }
    text += '\n';
    for (const spectrum_point &p : s.points) {
        text += format_double(p.f);
        for (const std::vector<double> *m : {&p.r, &p.l, &p.g, &p.c})
            for (int i = 0; i < n; ++i)
                for (int j = i; j < n; ++j)
                    cell(csv_number((*m)[std::size_t(i * n + j)]));
        std::vector<cplx> impedances;
        if (n == 1) impedances = {p.zc[0]};
        if (n == 2) impedances = {p.zdiff, p.zcommon};
        for (cplx z : impedances) {
            cell(csv_number(z.real()));
            cell(csv_number(z.imag()));
        }
        for (int k = 0; k < n; ++k) {
            // A pair's columns are odd then even, whichever mode the solve found first.
            int mode = n == 2 ? (k == 0 ? spectrum_odd_mode(p) : 1 - spectrum_odd_mode(p)) : k;
            mode_figures m = spectrum_mode_figures(p, mode);
            for (double v : {m.alpha_conductor_db, m.alpha_dielectric_db, m.alpha_db, m.beta,
                             m.eps_eff, m.delay})
                cell(csv_number(v));
        }
        text += '\n';
    }
    return text;
}

std::string spectrum_record_json(const line_input *input, const line_estimate &e, double tolerance,
                                 const line_spectrum &s, const spectrum_settings &settings) {
    json doc = line_record(input, e, tolerance);
    const line_materials &m = settings.materials;
    json losses{{"conductivity", m.metal.conductivity},
                {"roughness", roughness_json(m.roughness)},
                {"dielectric_model", model_name(m.model)},
                {"reference_frequency", m.reference_frequency}};
    for (const auto &[key, value] : settings.loss_tangents)
        losses[key] = value;
    losses["G_error"] = s.g_error;
    losses["crossover"] = number(s.crossover);
    losses["crossover_mismatch"] = number(s.mismatch);
    json dc = json::array();
    for (double r : s.dc_resistance)
        dc.push_back(r > 0 ? json(r) : json(nullptr));
    losses["dc_resistance"] = dc;
    doc["losses"] = losses;
    if (s.length > 0) {
        doc["length"] = s.length;
        doc["reference_impedance"] = s.z_ref;
    }
    doc["frequencies_ok"] = s.ok;
    if (!s.ok) doc["frequencies_stopped_by"] = wide_to_utf8(s.failure);
    json &points = doc["frequencies"] = json::array();
    for (const spectrum_point &p : s.points)
        points.push_back(point_json(s, p));
    return doc.dump(2) + "\n";
}

std::vector<std::string> spectrum_option_lines(const line_input *input) {
    std::vector<std::string> lines;
    if (!input) return lines;
    for (const line_option_spec &o : line_option_specs()) {
        if (!line_option_applies(o.option, input->type)) continue;
        std::wstring text = line_text_of(*input, o.option);
        bool millimetres = o.unit == field_unit::length && number_finite(text);
        lines.push_back(std::string(o.spelling) + " " + wide_to_utf8(text) +
                        (millimetres ? " mm" : ""));
    }
    return lines;
}

std::string spectrum_touchstone(const std::string &title, const std::vector<std::string> &options,
                                const line_spectrum &s, const spectrum_settings &settings) {
    const line_materials &m = settings.materials;
    std::vector<std::string> comments{"Orvanta: S-parameters of " +
                                      printf_string("%.6g", s.length * 1e3) + " mm of " + title};
    for (const std::string &o : options)
        comments.push_back("  " + o);
    std::string materials =
        printf_string("conductivity %.6g S/m, roughness %s, dielectric %s "
                      "(eps_r and tan delta given at %s)",
                      m.metal.conductivity, roughness_name(m.roughness.model), model_name(m.model),
                      frequency_text(m.reference_frequency).c_str());
    comments.push_back(materials);
    for (const auto &[key, value] : settings.loss_tangents)
        comments.push_back(printf_string("%s %.6g", key.c_str(), value));
    if (s.n == 1) {
        comments.push_back("Port 1: the near end, port 2: the far end, each against the return");
    } else {
        std::string ports;
        for (int k = 0; k < s.n; ++k)
            ports += printf_string("%sport %d: conductor %d near end", k ? ", " : "", k + 1, k + 1);
        for (int k = 0; k < s.n; ++k)
            ports += printf_string(", port %d: conductor %d far end", s.n + k + 1, k + 1);
        comments.push_back("Ports against the return: " + ports);
    }
    std::vector<double> f;
    for (const spectrum_point &p : s.points)
        f.push_back(p.f);
    return touchstone_text(2 * s.n, comments, f, s.s, s.z_ref);
}
