// The validation of one press of Calculate.
#include "input/read_inputs.h"
#include "core/base/messages.h"

#include "core/base/c_locale.h"
#include "input/number_syntax.h"

#include <algorithm>
#include <cmath>

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

struct field {
    input_field input;
    double calc_params::*value;
    const wchar_t *keyword; // stored as -1; null when the field takes none
    check rule;
    const wchar_t *refusal;
    const wchar_t *out_of_range;
};

// The reading order; p is checked against the w1 already read.
constexpr field fields[] = {
    {input_field::w1, &calc_params::w1, nullptr, check::w1_metres,
     L"ERROR: The value of `w1` must be > 0", L"ERROR: The value of `w1` is out of range"},
    {input_field::w2, &calc_params::w2, L"INF", check::positive_mm,
     L"ERROR: The value of `w2` must be > 0", L"ERROR: The value of `w2` is out of range"},
    {input_field::h, &calc_params::h, nullptr, check::positive_mm,
     L"ERROR: The value of `h` must be > 0", L"ERROR: The value of `h` is out of range"},
    {input_field::p, &calc_params::p, L"AUTO", check::p_against_w1,
     L"small `p` will be supported in the next version",
     L"ERROR: The value of `p` is out of range"},
    {input_field::epsilon_r, &calc_params::epsilon_r, nullptr, check::epsilon_r,
     L"ERROR: epsilon_r must be > 1", L"ERROR: The value of `epsilon_r` is out of range"},
    {input_field::d, &calc_params::d, nullptr, check::none_length, nullptr,
     L"ERROR: The value of `d` is out of range"},
    {input_field::mesh_step, &calc_params::mesh_step, L"AUTO", check::none_length, nullptr,
     L"ERROR: The value of `mesh step` is out of range"},
};

// Keywords are ASCII; folding only A-Z keeps "inf" a keyword in every locale.
bool equals_ignoring_case(const wchar_t *text, const wchar_t *keyword) {
    auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c; };
    for (; *text && *keyword; ++text, ++keyword) {
        if (fold(*text) != fold(*keyword)) return false;
    }
    return *text == *keyword;
}

// Applies the field's conversion and check to a parsed value; false when refused.
bool accept(const field &f, double value, calc_params *params, std::FILE *diagnostics) {
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
            std::fprintf(diagnostics, "%le\n", value);
            std::fflush(diagnostics);
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

} // namespace

void copy_field_text(std::wstring_view text, wchar_t *buffer, std::size_t capacity) {
    std::size_t length = std::min(text.size(), capacity - 1);
    for (std::size_t i = 0; i < length; ++i)
        buffer[i] = text[i] == L'\0' ? wchar_t{0xFFFD} : text[i];
    buffer[length] = L'\0';
}

namespace {

// Parses the field text in message_buffer into value; on a text that is no number (the
// first line and then the trimmed text itself) or no finite one, says so and returns
// false.
bool parse_field(const wchar_t *unrecognized, const wchar_t *out_of_range, double &value) {
    parse_result parsed = parse_number(message_buffer, &value);
    if (parsed == parse_syntax_error) {
        error_sink(unrecognized);
        error_sink(message_buffer);
        return false;
    }
    // An infinite or NaN length or permittivity has no meaning for the calculation.
    if (parsed == parse_out_of_range || !std::isfinite(value)) {
        error_sink(out_of_range);
        return false;
    }
    return true;
}

} // namespace

int read_thickness(const wchar_t *text, calc_params *params) {
    copy_field_text(text, message_buffer, message_buffer_size);
    double value = 0;
    if (!parse_field(L"unrecognized value of `t`:", L"ERROR: The value of `t` is out of range",
                     value)) {
        return 1;
    }
    if (value < 0) {
        error_sink(L"ERROR: The value of `t` must be >= 0");
        return 1;
    }
    value = value * 0.001;
    if (value > params->h) {
        error_sink(L"ERROR: The strip thickness `t` must not exceed `h`");
        return 1;
    }
    params->t = value;
    return 0;
}

int read_inputs(input_source &source, calc_params *params, std::FILE *diagnostics) {
    source.clear_results();
    source.add_line(L"\tCalculator version 1.0");
    for (const field &f : fields) {
        source.fetch_text(f.input, message_buffer, message_buffer_size);
        if (f.keyword && equals_ignoring_case(message_buffer, f.keyword)) {
            params->*f.value = -1;
            continue;
        }
        double value = 0;
        if (!parse_field(L"unrecognized value:", f.out_of_range, value)) return 1;
        if (!accept(f, value, params, diagnostics)) {
            error_sink(f.refusal);
            return 1;
        }
    }
    return 0;
}
