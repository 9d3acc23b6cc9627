// Conversion of field texts between millimetres, mils, micrometres and inches.
#include "input/length_units.h"

#include "core/base/c_locale.h"
#include "input/number_syntax.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

struct unit_spec {
    length_unit unit;
    const char *name;
    const wchar_t *label;
    // The unit in tenths of a micrometre: all four are whole numbers there (a mil is
    // exactly 25.4 um), so a conversion is one multiplication and one division by exact
    // integers, each correctly rounded, and 100 mil comes out as exactly the double 2.54.
    double tenth_micrometres;
    double resolution; // the finest length a value means, in tenths of a micrometre
};

constexpr unit_spec units[] = {
    {length_unit::mm, "mm", L"mm", 10000, 1},
    {length_unit::mil, "mil", L"mil", 254, 2.54},
    {length_unit::um, "um", L"\u00b5m", 10, 1},
    {length_unit::inch, "in", L"in", 254000, 2.54},
};

const unit_spec &spec_of(length_unit unit) {
    return units[int(unit)];
}

// Any field's keyword, as validation compares them.
bool is_keyword(std::wstring_view text) {
    for (const field_spec &f : field_specs()) {
        if (f.keyword && keyword_equals(text, f.keyword)) return true;
    }
    return false;
}

std::wstring shortest_text(double value) {
    // "%.15g" of an infinity would read "inf", which w2 takes as its keyword.
    if (!std::isfinite(value)) return value > 0 ? L"1e999" : L"-1e999";
    char digits[32];
    {
        c_locale_scope numbers_in_c_locale;
        std::snprintf(digits, sizeof digits, "%.15g", value);
    }
    return std::wstring(digits, digits + std::char_traits<char>::length(digits));
}

} // namespace

const char *length_unit_name(length_unit unit) {
    return spec_of(unit).name;
}

const wchar_t *length_unit_label(length_unit unit) {
    return spec_of(unit).label;
}

bool length_unit_from_name(std::string_view name, length_unit &out) {
    for (const unit_spec &u : units) {
        if (name == u.name) {
            out = u.unit;
            return true;
        }
    }
    return false;
}

double length_unit_mm(length_unit unit) {
    return spec_of(unit).tenth_micrometres / 10000;
}

double length_unit_resolution_mm(length_unit unit) {
    return spec_of(unit).resolution / 10000;
}

std::wstring length_text_convert(std::wstring_view text, length_unit from, length_unit to) {
    if (from == to || is_keyword(text)) return std::wstring(text);
    std::optional<double> value = number_finite(text);
    if (!value) return std::wstring(text);
    return shortest_text(*value * spec_of(from).tenth_micrometres / spec_of(to).tenth_micrometres);
}

std::wstring length_text_shown(std::wstring_view text, length_unit from, length_unit to) {
    if (from == to || is_keyword(text)) return std::wstring(text);
    std::optional<double> value = number_finite(text);
    if (!value) return std::wstring(text);
    // In tenths of a micrometre, rounded to the unit's resolution there, then in `to`.
    double tenths = *value * spec_of(from).tenth_micrometres;
    double step = spec_of(to).resolution;
    return shortest_text(std::round(tenths / step) * step / spec_of(to).tenth_micrometres);
}

std::wstring length_text_in_mm(std::wstring_view text) {
    for (const unit_spec &u : units) {
        // The unit as it is spelt in ASCII ("um") or as it is shown ("\u00b5m").
        std::string_view name = u.name;
        std::wstring_view label = u.label;
        std::wstring_view number;
        if (text.size() > name.size() &&
            std::equal(name.begin(), name.end(), text.end() - std::ptrdiff_t(name.size()))) {
            number = text.substr(0, text.size() - name.size());
        } else if (text.size() > label.size() && text.ends_with(label)) {
            number = text.substr(0, text.size() - label.size());
        } else {
            continue;
        }
        if (!number_finite(number)) return std::wstring(text);
        return length_text_convert(number, u.unit, length_unit::mm);
    }
    return std::wstring(text);
}

std::wstring length_text_typed_mm(std::wstring_view text, length_unit unit) {
    std::wstring with_suffix = length_text_in_mm(text);
    if (with_suffix != text) return with_suffix;
    return length_text_convert(text, unit, length_unit::mm);
}

std::optional<double> length_typed_metres(std::wstring_view text, length_unit unit) {
    std::optional<double> mm = number_finite(length_text_typed_mm(text, unit));
    if (!mm) return std::nullopt;
    return *mm / 1000;
}
