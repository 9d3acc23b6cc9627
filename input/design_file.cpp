// Reading, validating and writing design files.
#include "input/design_file.h"

#include "input/utf8.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr long max_design_bytes = 1 << 20;

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

std::string system_error(const std::string &path, const char *what) {
    return path + ": " + what + ": " + std::strerror(errno);
}

// The file's bytes, at most max_design_bytes; false with the message when it cannot be.
bool read_bytes(const std::string &path, std::string &text, std::string &error) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = system_error(path, "cannot open");
        return false;
    }
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        text.append(chunk, got);
        if (long(text.size()) > max_design_bytes) {
            std::fclose(file);
            error = path + ": too large to be a design file";
            return false;
        }
    }
    bool failed = std::ferror(file);
    std::fclose(file);
    if (failed) error = system_error(path, "cannot read");
    return !failed;
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
}

bool design_validate(const design &d, std::string &error) {
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
    if (!read_bytes(path, text, error)) return false;
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
    doc["version"] = design_format_version;
    doc["program"] = ORVANTA_VERSION;
    doc["unit"] = length_unit_name(d.unit);
    nlohmann::ordered_json fields;
    for (const field_spec &f : field_specs())
        fields[f.key] = wide_to_utf8(d.fields[field_index(f.field)]);
    doc["fields"] = fields;
    doc["variant"] = variant_name(d.variant);
    doc["tolerance_percent"] = d.tolerance_percent;
    // A text that is no valid UTF-8 is written with replacement characters, never refused.
    return doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

bool design_write(const std::string &path, const design &d, std::string &error) {
    std::string text = design_json(d);
    std::string temporary = path + ".XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = system_error(path, "cannot write");
        return false;
    }
    // The target's mode if it exists, else what a new file gets under the umask.
    struct stat existing;
    mode_t mode;
    if (stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = fchmod(fd, mode) == 0;
    for (std::size_t done = 0; ok && done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += std::size_t(n);
    }
    ok = ok && fsync(fd) == 0;
    int saved = errno;
    ok = close(fd) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    if (!ok) errno = saved;
    error = system_error(path, "cannot write");
    unlink(temporary.c_str());
    return false;
}
