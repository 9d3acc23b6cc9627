// Conversion of field texts between millimetres, mils and micrometres.
#include "input/length_units.h"

#include "core/base/c_locale.h"
#include "input/number_syntax.h"

#include <cmath>
#include <cstdio>

namespace {

// Each unit in tenths of a micrometre: the three are whole numbers there (a mil is
// exactly 25.4 um), so a conversion is one multiplication and one division by exact
// integers, each correctly rounded, and 100 mil comes out as exactly the double 2.54.
double tenth_micrometres(length_unit unit) {
    switch (unit) {
    case length_unit::mm:
        return 10000;
    case length_unit::mil:
        return 254;
    case length_unit::um:
        return 10;
    }
    return 10000;
}

// Any field's keyword, as validation compares them.
bool is_keyword(std::wstring_view text) {
    for (const field_spec &f : field_specs()) {
        if (f.keyword && keyword_equals(text, f.keyword)) return true;
    }
    return false;
}

} // namespace

const char *length_unit_name(length_unit unit) {
    switch (unit) {
    case length_unit::mm:
        return "mm";
    case length_unit::mil:
        return "mil";
    case length_unit::um:
        return "um";
    }
    return "mm";
}

const wchar_t *length_unit_label(length_unit unit) {
    switch (unit) {
    case length_unit::mm:
        return L"mm";
    case length_unit::mil:
        return L"mil";
    case length_unit::um:
        return L"\u00b5m";
    }
    return L"mm";
}

bool length_unit_from_name(std::string_view name, length_unit &out) {
    for (length_unit unit : {length_unit::mm, length_unit::mil, length_unit::um}) {
        if (name == length_unit_name(unit)) {
            out = unit;
            return true;
        }
    }
    return false;
}

double length_unit_mm(length_unit unit) {
    return tenth_micrometres(unit) / 10000;
}

std::wstring length_text_convert(std::wstring_view text, length_unit from, length_unit to) {
    if (from == to || is_keyword(text)) return std::wstring(text);
    std::optional<double> value = number_finite(text);
    if (!value) return std::wstring(text);
    double converted = *value * tenth_micrometres(from) / tenth_micrometres(to);
    // "%.15g" of an infinity would read "inf", which w2 takes as its keyword.
    if (!std::isfinite(converted)) return converted > 0 ? L"1e999" : L"-1e999";
    char digits[32];
    {
        c_locale_scope numbers_in_c_locale;
        std::snprintf(digits, sizeof digits, "%.15g", converted);
    }
    return std::wstring(digits, digits + std::char_traits<char>::length(digits));
}
