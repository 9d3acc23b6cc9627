// Number parsing for the input fields.
#include "input/number_syntax.h"

#include <cstdint>
#include <cwchar>
#include <limits>

namespace {

bool is_white(wchar_t c) {
    return c == L'\t' || c == L'\n' || c == L'\r' || c == L' ';
}

bool is_digit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

void trim(wchar_t *text) {
    std::size_t start = 0;
    while (is_white(text[start]))
        ++start;
    std::size_t length = std::wcslen(text + start);
    std::wmemmove(text, text + start, length + 1);
    while (length > 0 && is_white(text[length - 1]))
        --length;
    text[length] = L'\0';
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

parse_result parse_number(wchar_t *text, double *target) {
    trim(text);
    const wchar_t *c = text;
    bool negative = *c == L'-';
    if (negative) ++c;
    if (!is_digit(*c) && *c != L'.') return parse_syntax_error;

    // Every mantissa digit, fraction digits included, goes through M = M * 10 + digit:
    // trailing zeros of the fraction take part in the rounding.
    double mantissa = 0;
    std::int64_t fraction_digits = 0;
    while (is_digit(*c))
        mantissa = mantissa * 10 + (*c++ - L'0');
    if (*c == L'.') {
        ++c;
        while (is_digit(*c)) {
            mantissa = mantissa * 10 + (*c++ - L'0');
            ++fraction_digits;
        }
    }

    std::int64_t exponent = 0;
    bool exponent_overflow = false;
    if (*c == L'E' || *c == L'e') {
        ++c;
        bool exponent_negative = *c == L'-';
        if (exponent_negative) ++c;
        if (!is_digit(*c)) return parse_syntax_error;
        constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
        while (is_digit(*c)) {
            exponent = exponent * 10 + (*c++ - L'0');
            if (exponent > limit) {
                exponent_overflow = true;
                exponent = limit;
            }
        }
        if (exponent_negative) exponent = -exponent;
    }
    if (*c != L'\0') return parse_syntax_error;
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
