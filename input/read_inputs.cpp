// The validation of one press of Calculate.
#include "input/read_inputs.h"

#include "core/base/c_locale.h"
#include "input/number_syntax.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// What a field checks, and whether its limit applies before or after the conversion
// to metres.
enum class check {
    w1_metres,    // metres, at least 1e-20
    positive_mm,  // millimetres, at least 1e-20
    p_against_w1, // metres, at least w1 / 1000
    epsilon_r,    // at least 1
    none_length,  // any length
};

struct field_rule {
    input_field input;
    double calc_params::*value;
    check rule;
    const wchar_t *refusal;
    const wchar_t *out_of_range;
};

// The reading order; p is checked against the w1 already read.
constexpr field_rule rules[] = {
    {input_field::w1, &calc_params::w1, check::w1_metres, L"ERROR: The value of `w1` must be > 0",
     L"ERROR: The value of `w1` is out of range"},
    {input_field::w2, &calc_params::w2, check::positive_mm, L"ERROR: The value of `w2` must be > 0",
     L"ERROR: The value of `w2` is out of range"},
    {input_field::h, &calc_params::h, check::positive_mm, L"ERROR: The value of `h` must be > 0",
     L"ERROR: The value of `h` is out of range"},
    {input_field::p, &calc_params::p, check::p_against_w1,
     L"small `p` will be supported in the next version",
     L"ERROR: The value of `p` is out of range"},
    {input_field::epsilon_r, &calc_params::epsilon_r, check::epsilon_r,
     L"ERROR: epsilon_r must be > 1", L"ERROR: The value of `epsilon_r` is out of range"},
    {input_field::d, &calc_params::d, check::none_length, nullptr,
     L"ERROR: The value of `d` is out of range"},
    {input_field::mesh_step, &calc_params::mesh_step, check::none_length, nullptr,
     L"ERROR: The value of `mesh step` is out of range"},
};

// Applies the field's conversion and check to a parsed value; false when refused.
bool accept(const field_rule &f, double value, calc_params *params, input_source &source) {
    switch (f.rule) {
    case check::w1_metres:
        value = value * 0.001;
        if (value < 1e-20) return false;
        break;
    case check::positive_mm:
        if (value < 1e-20) return false;
        value = value * 0.001;
        break;
    case check::p_against_w1:
        value = value * 0.001;
        if (value < params->w1 * 0.001) {
            c_locale_scope numbers_in_c_locale;
            char line[64];
            std::snprintf(line, sizeof line, "%le\n", value);
            source.print_diagnostic(line);
            return false;
        }
        break;
    case check::epsilon_r:
        if (value < 1) return false;
        break;
    case check::none_length:
        value = value * 0.001;
        break;
    }
    params->*f.value = value;
    return true;
}

// Parses a field's text into value; on a text that is no number (the first line and
// then the trimmed text itself) or no finite one, says so and returns false.
bool parse_field(std::wstring_view text, const wchar_t *unrecognized, const wchar_t *out_of_range,
                 double &value, const calc_env &env) {
    parse_result parsed = parse_number(text, &value);
    if (parsed == parse_syntax_error) {
        env_error(env, unrecognized);
        env_error(env, std::wstring(number_trim(text)).c_str());
        return false;
    }
    // An infinite or NaN length or permittivity has no meaning for the calculation.
    if (parsed == parse_out_of_range || !std::isfinite(value)) {
        env_error(env, out_of_range);
        return false;
    }
    return true;
}

constexpr std::size_t field_capacity = 1000;

} // namespace

void copy_field_text(std::wstring_view text, wchar_t *buffer, std::size_t capacity) {
    std::size_t length = std::min(text.size(), capacity - 1);
    for (std::size_t i = 0; i < length; ++i)
        buffer[i] = text[i] == L'\0' ? wchar_t{0xFFFD} : text[i];
    buffer[length] = L'\0';
}

int read_thickness(std::wstring_view text, calc_params *params, const calc_env &env) {
    wchar_t seen[field_capacity];
    copy_field_text(text, seen, field_capacity);
    double value = 0;
    if (!parse_field(seen, L"unrecognized value of `t`:",
                     L"ERROR: The value of `t` is out of range", value, env)) {
        return 1;
    }
    if (value < 0) {
        env_error(env, L"ERROR: The value of `t` must be >= 0");
        return 1;
    }
    value = value * 0.001;
    if (value > params->h) {
        env_error(env, L"ERROR: The strip thickness `t` must not exceed `h`");
        return 1;
    }
    params->t = value;
    return 0;
}

int read_inputs(input_source &source, calc_params *params, const calc_env &env,
                input_field *refused) {
    source.clear_results();
    source.add_line(L"\tCalculator version 1.0");
    for (const field_rule &f : rules) {
        wchar_t seen[field_capacity];
        copy_field_text(source.fetch_text(f.input), seen, field_capacity);
        const wchar_t *keyword = field_spec_of(f.input).keyword;
        if (keyword && keyword_equals(seen, keyword)) {
            params->*f.value = -1;
            continue;
        }
        double value = 0;
        bool accepted = parse_field(seen, L"unrecognized value:", f.out_of_range, value, env);
        if (accepted && !accept(f, value, params, source)) {
            env_error(env, f.refusal);
            accepted = false;
        }
        if (!accepted) {
            if (refused) *refused = f.input;
            return 1;
        }
    }
    return 0;
}

std::optional<input_field> validate_fields(input_source &source, calc_params *params,
                                           const calc_env &env) {
    input_field refused = input_field::w1;
    if (read_inputs(source, params, env, &refused) != 0) return refused;
    if (read_thickness(source.fetch_text(input_field::t), params, env) != 0) return input_field::t;
    return std::nullopt;
}
