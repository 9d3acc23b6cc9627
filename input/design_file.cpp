// Reading, validating and writing design files.
#include "input/design_file.h"

#include "core/graded/line_types.h"
#include "input/file_io.h"
#include "input/utf8.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace {

constexpr std::size_t max_design_bytes = 1 << 20;

// The design's texts as validation reads them, in millimetres.
class design_source final : public input_source {
  public:
    explicit design_source(const design &d) : design_(d) {}
    void clear_results() override {}
    void add_line(const wchar_t *) override {}
    std::wstring fetch_text(input_field field) override { return design_field_mm(design_, field); }

  private:
    const design &design_;
};

// Validation's refusal lines, joined into one.
void keep_line(void *joined, const wchar_t *text) {
    std::string &lines = *static_cast<std::string *>(joined);
    if (!lines.empty()) lines += ' ';
    lines += wide_to_utf8(text);
}

// The JSON values into d; false with what is wrong (without the file name).
bool parse_document(const nlohmann::json &doc, design &d, std::string &error) {
    using nlohmann::json;
    if (!doc.is_object() || !doc.contains("format") || doc["format"] != "orvanta-design") {
        error = "not an Orvanta design file";
        return false;
    }
    if (!doc.contains("version") || !doc["version"].is_number_integer()) {
        error = "\"version\" must be a whole number";
        return false;
    }
    long long version = doc["version"].get<long long>();
    if (version > design_format_version) {
        error = "written by a newer Orvanta (design format " + std::to_string(version) +
                "; this program reads " + std::to_string(design_format_version) + ")";
        return false;
    }
    if (version < 1) {
        error = "\"version\" must be 1 or more";
        return false;
    }
    if (!doc.contains("unit") || !doc["unit"].is_string() ||
        !length_unit_from_name(doc["unit"].get<std::string>(), d.unit)) {
        error = "\"unit\" must be mm, mil or um";
        return false;
    }
    if (!doc.contains("fields") || !doc["fields"].is_object()) {
        error = "\"fields\" is missing";
        return false;
    }
    const json &fields = doc["fields"];
    for (const field_spec &f : field_specs()) {
        std::string where = std::string("\"fields\".\"") + f.key + "\"";
        if (!fields.contains(f.key)) {
            error = where + " is missing";
            return false;
        }
        if (!fields[f.key].is_string()) {
            error = where + " must be a text";
            return false;
        }
        d.fields[field_index(f.field)] = utf8_to_wide(fields[f.key].get<std::string>());
    }
    std::string variant = doc.contains("variant") && doc["variant"].is_string()
                              ? doc["variant"].get<std::string>()
                              : std::string();
    if (variant == variant_name(solver_variant::accurate)) {
        d.variant = solver_variant::accurate;
    } else if (variant == variant_name(solver_variant::specified)) {
        d.variant = solver_variant::specified;
    } else {
        error = "\"variant\" must be specified or accurate";
        return false;
    }
    double percent = doc.contains("tolerance_percent") && doc["tolerance_percent"].is_number()
                         ? doc["tolerance_percent"].get<double>()
                         : NAN;
    if (!(percent > 0 && percent < 100)) {
        error = "\"tolerance_percent\" must be a number above 0 and below 100";
        return false;
    }
    d.tolerance_percent = percent;
    if (!doc.contains("line")) return true;
    std::optional<line_type> type =
        doc["line"].is_string() ? line_type_by_name(doc["line"].get<std::string>()) : std::nullopt;
    if (!type) {
        error = "\"line\" is no line type";
        return false;
    }
    d.line = line_input_start(*type);
    const json options = doc.value("line_options", json::object());
    if (!options.is_object()) {
        error = "\"line_options\" must be an object";
        return false;
    }
    for (const auto &[key, value] : options.items()) {
        std::optional<line_option> option = line_option_by_key(key);
        if (!option || !line_option_applies(*option, *type)) {
            error = "\"line_options\".\"" + key + "\" is no option of " +
                    doc["line"].get<std::string>();
            return false;
        }
        if (!value.is_string()) {
            error = "\"line_options\".\"" + key + "\" must be a text";
            return false;
        }
        d.line.texts[std::size_t(*option)] = utf8_to_wide(value.get<std::string>());
    }
    return true;
}

} // namespace

std::wstring design_field_mm(const design &d, input_field field) {
    const std::wstring &text = d.fields[field_index(field)];
    return field_is_length(field) ? length_text_convert(text, d.unit, length_unit::mm) : text;
}

design::design() {
    for (const field_spec &f : field_specs())
        fields[field_index(f.field)] = f.start;
    line.type = line_type::two_strip;
}

line_input design_line_mm(const design &d) {
    line_input mm = d.line;
    for (const line_option_spec &o : line_option_specs()) {
        std::wstring &text = mm.texts[std::size_t(o.option)];
        if (o.unit == field_unit::length && !text.empty())
            text = length_text_convert(text, d.unit, length_unit::mm);
    }
    return mm;
}

namespace {

// Whether the line type's texts build a cross-section; false with why.
bool line_validate(const design &d, std::string &error) {
    if (d.line.type == line_type::two_strip) return true;
    line_geometry g;
    std::wstring reason;
    if (!line_read(design_line_mm(d), g, reason)) {
        std::string lines;
        calc_env env;
        env.sinks = {keep_line, keep_line, &lines};
        cross_section xs{};
        if (line_section(env, g, xs)) return true;
        error = "line " + std::string(line_type_spec_of(d.line.type).name) + ": " + lines;
        return false;
    }
    error =
        "line " + std::string(line_type_spec_of(d.line.type).name) + ": " + wide_to_utf8(reason);
    return false;
}

} // namespace

bool design_validate(const design &d, std::string &error) {
    if (!line_validate(d, error)) return false;
    design_source source(d);
    std::string lines;
    calc_env env;
    env.sinks = {keep_line, keep_line, &lines};
    calc_params params{};
    std::optional<input_field> refused = validate_fields(source, &params, env);
    if (!refused) return true;
    error = std::string("field ") + field_spec_of(*refused).key + " = \"" +
            wide_to_utf8(d.fields[field_index(*refused)]) + "\": " + lines;
    return false;
}

bool design_read(const std::string &path, design &out, std::string &error) {
    std::string text;
    if (!file_read_limited(path, max_design_bytes, "a design file", text, error)) return false;
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error &e) {
        error = path + ": not a design file: JSON syntax error at byte " + std::to_string(e.byte);
        return false;
    } catch (const nlohmann::json::exception &) {
        // A number beyond the doubles, the one other way parsing fails.
        error = path + ": not a design file: a number out of range";
        return false;
    }
    design d;
    std::string why;
    if (!parse_document(doc, d, why) || !design_validate(d, why)) {
        error = path + ": " + why;
        return false;
    }
    out = d;
    return true;
}

std::string design_json(const design &d) {
    nlohmann::ordered_json doc;
    doc["format"] = "orvanta-design";
    // A two-strip design stays readable by the programs that know version 1 only.
    doc["version"] = d.line.type == line_type::two_strip ? 1 : design_format_version;
    doc["program"] = ORVANTA_VERSION;
    doc["unit"] = length_unit_name(d.unit);
    nlohmann::ordered_json fields;
    for (const field_spec &f : field_specs())
        fields[f.key] = wide_to_utf8(d.fields[field_index(f.field)]);
    doc["fields"] = fields;
    doc["variant"] = variant_name(d.variant);
    doc["tolerance_percent"] = d.tolerance_percent;
    if (d.line.type != line_type::two_strip) {
        doc["line"] = line_type_spec_of(d.line.type).name;
        nlohmann::ordered_json options = nlohmann::ordered_json::object();
        for (const line_option_spec &o : line_option_specs()) {
            const std::wstring &text = d.line.texts[std::size_t(o.option)];
            if (line_option_applies(o.option, d.line.type) && !text.empty())
                options[o.key] = wide_to_utf8(text);
        }
        doc["line_options"] = options;
    }
    // A text that is no valid UTF-8 is written with replacement characters, never refused.
    return doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

bool design_write(const std::string &path, const design &d, std::string &error) {
    return file_write_atomic(path, design_json(d), error);
}
