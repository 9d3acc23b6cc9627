// The JSON records, built as documents and written with two spaces of indent.
#include "studies/records.h"

#include "input/number_syntax.h"
#include "input/utf8.h"
#include "studies/study_report.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace {

using json = nlohmann::ordered_json;

// A figure, or null where it does not exist.
json number(bool known, double value) {
    return known && std::isfinite(value) ? json(value) : json(nullptr);
}

// A length or an overhang entered as a keyword (INF, AUTO) is stored as -1.
json entered_length(double value) {
    return number(value > 0, value);
}

// The line as entered, in SI: what every study record carries.
void put_geometry(json &doc, const calc_params &entered) {
    doc["microstrip"] = entered.w2 <= 0;
    doc["w1"] = entered.w1;
    doc["w2"] = entered_length(entered.w2);
    doc["h"] = entered.h;
    doc["d"] = entered.w2 <= 0 ? 0.0 : entered.d;
    doc["epsilon_r"] = entered.epsilon_r;
    doc["p"] = entered_length(entered.p);
    doc["t"] = entered.t;
    doc["mesh_step"] = entered_length(entered.mesh_step);
}

// A field's value text (millimetres for a length) in SI, or null.
json field_value(input_field field, const std::wstring &text) {
    std::optional<double> value = number_finite(text);
    if (!value) return nullptr;
    return field_is_length(field) ? *value * 0.001 : *value;
}

// A study point after its own keys: whether it solved, then its figures or the reason
// it failed.
json with_outcome(json point, const study_point &p) {
    point["ok"] = p.ok;
    if (p.ok) {
        point["cell_count"] = p.cells;
        point["Z0"] = p.z0;
        point["eps_eff"] = p.eps_eff;
    } else {
        point["reason"] = wide_to_utf8(study_failure_reason(p));
    }
    return point;
}

std::string dumped(const json &doc) {
    // A text that is no valid UTF-8 is written with replacement characters.
    return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

} // namespace

std::string run_record_json(const std::vector<std::wstring> &lines, const calc_figures *figures,
                            solver_variant variant) {
    json doc;
    json &texts = doc["lines"] = json::array();
    for (const std::wstring &line : lines)
        texts.push_back(wide_to_utf8(line));
    const calc_figures *o = figures;
    bool ok = o && o->ok;
    bool microstrip = o && o->microstrip;
    doc["ok"] = ok;
    if (!ok) {
        study_point failed;
        failed.lines = lines;
        doc["reason"] = wide_to_utf8(study_failure_reason(failed));
    }
    doc["variant"] = variant_name(variant);
    doc["microstrip"] = microstrip;
    doc["w1"] = number(o, o ? o->entered.w1 : 0);
    doc["w2"] = number(o && !microstrip, o ? o->entered.w2 : 0);
    doc["h"] = number(o, o ? o->entered.h : 0);
    doc["d"] = number(o, o ? (microstrip ? 0.0 : o->entered.d) : 0);
    doc["epsilon_r"] = number(o, o ? o->entered.epsilon_r : 0);
    doc["p"] = number(o, o ? o->used.p : 0);
    doc["t"] = number(o, o ? o->entered.t : 0);
    doc["mesh_step"] = number(o, o ? o->mesh_step : 0);
    bool meshed = o && o->cells > 0;
    doc["cell_count"] = meshed ? json(o->cells) : json(nullptr);
    doc["strip_cells"] = meshed ? json(o->strip_cells) : json(nullptr);
    doc["dielectric_cells"] = meshed ? json(o->cells - o->strip_cells) : json(nullptr);
    doc["C0"] = number(ok, ok ? o->line_capacitances[0] : 0);
    doc["C"] = number(ok, ok ? o->line_capacitances[1] : 0);
    doc["eps_eff"] = number(ok, ok ? o->line_capacitances[1] / o->line_capacitances[0] : 0);
    doc["Z0"] = number(ok, ok ? o->z0 : 0);
    if (o && o->mirrored) {
        json &pair = doc["mirrored"];
        pair["w1"] = o->used.w1;
        pair["w2"] = o->used.w2;
        pair["h"] = o->used.h;
        pair["d"] = o->used.d;
        pair["C0"] = number(ok, ok ? o->capacitances[0] : 0);
        pair["C"] = number(ok, ok ? o->capacitances[1] : 0);
        pair["Z0"] = number(ok, ok ? o->z0_solver : 0);
    }
    return dumped(doc);
}

std::string convergence_record_json(const convergence &c, const calc_params &entered,
                                    double tolerance) {
    json doc;
    doc["variant"] = variant_name(solver_variant::accurate);
    put_geometry(doc, entered);
    doc["tolerance"] = tolerance;
    doc["converged"] = c.converged;
    doc["stopped_by"] = c.converged ? json(nullptr) : json(wide_to_utf8(c.stop));
    json &points = doc["points"] = json::array();
    for (const study_point &p : c.points)
        points.push_back(with_outcome({{"mesh_step", number(p.mesh_step > 0, p.mesh_step)}}, p));
    doc["Z0"] = number(c.estimated, c.z0);
    doc["Z0_error"] = number(c.estimated, c.z0_error);
    doc["eps_eff"] = number(c.estimated, c.eps_eff);
    doc["eps_eff_error"] = number(c.estimated, c.eps_eff_error);
    doc["order"] = number(c.order > 0, c.order);
    doc["extrapolated"] = c.extrapolated;
    return dumped(doc);
}

std::string synthesis_record_json(const synthesis &s, const calc_params &entered, input_field field,
                                  double target, solver_variant variant) {
    json doc;
    doc["variant"] = variant_name(variant);
    put_geometry(doc, entered);
    doc["solve_for"] = field_spec_of(field).key;
    doc["target_Z0"] = target;
    doc["found"] = s.found;
    if (s.found) {
        doc["value"] = field_value(field, s.best.value);
        doc["Z0"] = s.best.z0;
        doc["eps_eff"] = s.best.eps_eff;
        doc["cell_count"] = s.best.cells;
    } else {
        doc["reason"] = synthesis_report(s, field, target, variant).front();
        doc["searched_from"] = field_value(field, s.searched_from);
        doc["searched_to"] = field_value(field, s.searched_to);
    }
    doc["solves"] = s.solves;
    return dumped(doc);
}

std::string sweep_record_json(const sweep &s, const calc_params &entered, solver_variant variant) {
    json doc;
    doc["variant"] = variant_name(variant);
    put_geometry(doc, entered);
    const char *key = field_spec_of(s.field).key;
    doc["field"] = key;
    json &points = doc["points"] = json::array();
    for (const study_point &p : s.points)
        points.push_back(with_outcome({{key, field_value(s.field, p.value)}}, p));
    return dumped(doc);
}
