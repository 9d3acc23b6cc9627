// Number parsing for the input fields.
#include "input/number_syntax.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

bool is_white(wchar_t c) {
    return c == L'\t' || c == L'\n' || c == L'\r' || c == L' ';
}

bool is_digit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// ipow with the exponent widened, so that negating the most negative 32-bit exponent
// stays defined.
double power(double x, std::int64_t n) {
    if (n == 0) return 1;
    if (n < 0) {
        x = 1 / x;
        n = -n;
    }
    if (n == 1) return x;
    double s = power(x, n >> 1);
    double result = s * s;
    if (n & 1) result = result * x;
    return result;
}

} // namespace

double ipow(double x, std::int32_t n) {
    return power(x, n);
}

std::wstring_view number_trim(std::wstring_view text) {
    while (!text.empty() && is_white(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_white(text.back()))
        text.remove_suffix(1);
    return text;
}

parse_result parse_number(std::wstring_view text, double *target) {
    std::wstring_view rest = number_trim(text);
    // The character at the front, or NUL at the end (the text holds no NUL of its own:
    // a field's NUL was replaced when it was read).
    auto next = [&rest] { return rest.empty() ? L'\0' : rest.front(); };
    auto take = [&rest] { rest.remove_prefix(1); };
    bool negative = next() == L'-';
    if (negative) take();
    if (!is_digit(next()) && next() != L'.') return parse_syntax_error;

    // Every mantissa digit, fraction digits included, goes through M = M * 10 + digit:
    // trailing zeros of the fraction take part in the rounding.
    double mantissa = 0;
    std::int64_t fraction_digits = 0;
    for (; is_digit(next()); take())
        mantissa = mantissa * 10 + (next() - L'0');
    if (next() == L'.') {
        take();
        for (; is_digit(next()); take()) {
            mantissa = mantissa * 10 + (next() - L'0');
            ++fraction_digits;
        }
    }

    std::int64_t exponent = 0;
    bool exponent_overflow = false;
    if (next() == L'E' || next() == L'e') {
        take();
        bool exponent_negative = next() == L'-';
        if (exponent_negative) take();
        if (!is_digit(next())) return parse_syntax_error;
        constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
        for (; is_digit(next()); take()) {
            exponent = exponent * 10 + (next() - L'0');
            if (exponent > limit) {
                exponent_overflow = true;
                exponent = limit;
            }
        }
        if (exponent_negative) exponent = -exponent;
    }
    if (!rest.empty()) return parse_syntax_error;
    std::int64_t k = exponent - fraction_digits;
    if (exponent_overflow || k < std::numeric_limits<std::int32_t>::min()) {
        return parse_out_of_range;
    }

    // A negative k multiplies by powers of 0.1 built by squaring, never divides by a
    // power of ten, so the last bits can differ from a correctly rounded conversion.
    double value = k == 0 ? mantissa : mantissa * ipow(10.0, static_cast<std::int32_t>(k));
    *target = negative ? -value : value;
    return parse_ok;
}

std::optional<double> number_finite(std::wstring_view text) {
    double value = 0;
    if (parse_number(text, &value) != parse_ok || !std::isfinite(value)) return std::nullopt;
    return value;
}
