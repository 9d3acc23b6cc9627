// The JSON record of one run.
#include "studies/run_record.h"

#include "studies/text_format.h"

std::string run_record_json(const std::vector<std::wstring> &lines, const calc_figures *figures,
                            solver_variant variant) {
    std::string json = "{\n  \"lines\": [";
    const char *separator = "";
    for (const std::wstring &line : lines) {
        json += separator;
        json += "\n    " + json_string(line);
        separator = ",";
    }
    json += "\n  ]";
    auto field = [&](const char *name, const std::string &value) {
        json += ",\n  \"" + std::string(name) + "\": " + value;
    };
    bool ok = figures && figures->ok;
    const calc_figures *o = figures;
    auto number = [&](const char *name, bool known, double value) {
        field(name, known ? format_double(value) : "null");
    };
    auto count = [&](const char *name, bool known, std::int32_t value) {
        field(name, known ? std::to_string(value) : "null");
    };
    field("ok", ok ? "true" : "false");
    field("variant", std::string("\"") + variant_name(variant) + "\"");
    field("microstrip", o && o->microstrip ? "true" : "false");
    const calc_params *line = o ? &o->entered : nullptr;
    bool microstrip = o && o->microstrip;
    number("w1", o, o ? line->w1 : 0);
    number("w2", o && !microstrip, o ? line->w2 : 0);
    number("h", o, o ? line->h : 0);
    number("d", o, o ? (microstrip ? 0.0 : line->d) : 0);
    number("epsilon_r", o, o ? line->epsilon_r : 0);
    number("p", o, o ? o->used.p : 0);
    number("t", o, o ? line->t : 0);
    number("mesh_step", o, o ? o->mesh_step : 0);
    bool meshed = o && o->cells > 0;
    count("cell_count", meshed, meshed ? o->cells : 0);
    count("strip_cells", meshed, meshed ? o->strip_cells : 0);
    count("dielectric_cells", meshed, meshed ? o->cells - o->strip_cells : 0);
    number("C0", ok, ok ? o->line_capacitances[0] : 0);
    number("C", ok, ok ? o->line_capacitances[1] : 0);
    number("eps_eff", ok, ok ? o->line_capacitances[1] / o->line_capacitances[0] : 0);
    number("Z0", ok, ok ? o->z0 : 0);
    if (o && o->mirrored) {
        json += ",\n  \"mirrored\": {";
        separator = "";
        auto inner = [&](const char *name, bool known, double value) {
            json += std::string(separator) + "\n    \"" + name +
                    "\": " + (known ? format_double(value) : "null");
            separator = ",";
        };
        inner("w1", true, o->used.w1);
        inner("w2", true, o->used.w2);
        inner("h", true, o->used.h);
        inner("d", true, o->used.d);
        inner("C0", ok, ok ? o->capacitances[0] : 0);
        inner("C", ok, ok ? o->capacitances[1] : 0);
        inner("Z0", ok, ok ? o->z0_solver : 0);
        json += "\n  }";
    }
    json += "\n}\n";
    return json;
}
