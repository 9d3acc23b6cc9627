// Fuzz target: parse_number against a reference written from the number syntax alone.
// Each byte is one character (so NUL, TAB, letters, '.', '-', 'E' and the rest all
// occur, NUL as an ordinary character of the view). The reference trims, recognises the grammar
// with its own small state walk and evaluates M x 10^(E - F) by its own repeated squaring; the
// parser must agree on acceptance, on the trimmed text and on the value to the last bit. The first
// twelve bytes also give an (x, n) pair for ipow against the same squaring.
#include "input/number_syntax.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "contract broken: %s\n", what);
    std::abort();
}

// x^n: n = 0 gives 1; a negative n squares 1 / x; otherwise the square of x^(n / 2),
// times x once more for an odd n.
double reference_power(double x, std::int64_t n) {
    if (n == 0) return 1;
    if (n < 0) return reference_power(1 / x, -n);
    if (n == 1) return x;
    double half = reference_power(x, n / 2);
    return n % 2 ? half * half * x : half * half;
}

bool white(wchar_t c) {
    return c == 9 || c == 10 || c == 13 || c == 32;
}

std::wstring reference_trim(const std::wstring &text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && white(text[begin]))
        ++begin;
    while (end > begin && white(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

struct reference_number {
    bool in_range;
    double value;
};

// The value of a text of the grammar, or nothing for a text outside it.
std::optional<reference_number> reference_parse(const std::wstring &text) {
    std::size_t i = 0;
    auto digit = [&](std::size_t at) {
        return at < text.size() && text[at] >= '0' && text[at] <= '9';
    };
    bool negative = i < text.size() && text[i] == '-';
    if (negative) ++i;
    if (!digit(i) && !(i < text.size() && text[i] == '.')) return std::nullopt;
    double m = 0;
    std::int64_t fraction = 0;
    for (; digit(i); ++i)
        m = m * 10 + (text[i] - '0');
    if (i < text.size() && text[i] == '.') {
        for (++i; digit(i); ++i, ++fraction)
            m = m * 10 + (text[i] - '0');
    }
    std::int64_t e = 0;
    bool in_range = true;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool e_negative = i < text.size() && text[i] == '-';
        if (e_negative) ++i;
        if (!digit(i)) return std::nullopt;
        for (; digit(i); ++i) {
            e = e * 10 + (text[i] - '0');
            if (e > INT32_MAX) {
                in_range = false;
                e = INT32_MAX;
            }
        }
        if (e_negative) e = -e;
    }
    if (i != text.size()) return std::nullopt;
    // A scale beyond the 32-bit exponent of ipow is out of range as well.
    std::int64_t k = e - fraction;
    if (k < INT32_MIN) in_range = false;
    double value = k == 0 ? m : m * reference_power(10.0, k);
    return reference_number{in_range, negative ? -value : value};
}

bool same_bits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size >= 12) {
        double x;
        std::int32_t n;
        std::memcpy(&x, data, sizeof x);
        std::memcpy(&n, data + 8, sizeof n);
        double expected = reference_power(x, n);
        double got = ipow(x, n);
        if (!same_bits(got, expected) && !(got != got && expected != expected)) fail("ipow");
    }

    // Every byte a character, NUL included: the parser reads the whole view.
    std::wstring text;
    for (std::size_t i = 0; i < size && i < 999; ++i)
        text += wchar_t(data[i]);

    const double untouched = -12345.678;
    double target = untouched;
    parse_result result = parse_number(text, &target);
    std::wstring trimmed = reference_trim(text);
    if (trimmed != number_trim(text)) fail("trimmed text");

    std::optional<reference_number> expected = reference_parse(trimmed);
    if (!expected) {
        if (result != parse_syntax_error) fail("accepted a text outside the grammar");
    } else if (!expected->in_range) {
        if (result != parse_out_of_range) fail("exponent overflow not reported");
    } else if (result != parse_ok) {
        fail("refused a text of the grammar");
    } else if (!same_bits(target, expected->value)) {
        fail("value differs from the reference evaluation");
    }
    if (result != parse_ok && !same_bits(target, untouched)) fail("target changed on failure");
    return 0;
}
