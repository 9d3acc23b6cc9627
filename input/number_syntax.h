// The calculator's own number syntax: an optional '-', digits with an optional '.', an
// optional exponent 'E' or 'e' with an optional '-'. No '+', no hexadecimal, no words.
// The arithmetic is fixed to the last bit: the digits accumulate into a double and the
// decimal scale is one multiplication by a power of ten built by repeated squaring.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// x to the power n by repeated squaring; a negative n squares 1 / x. Cannot fail.
double ipow(double x, std::int32_t n);

enum parse_result {
    parse_ok = 0,
    parse_syntax_error = -1, // the text does not follow the number syntax
    parse_out_of_range = -2, // the exponent does not fit its 32-bit accumulator
};

// The text without the TAB, LF, CR and SPACE at its ends: what a refusal shows.
std::wstring_view number_trim(std::wstring_view text);

// Parses the trimmed text. On parse_ok the value is stored into *target (an infinity
// when it is beyond the doubles); otherwise *target is left unchanged.
parse_result parse_number(std::wstring_view text, double *target);

// The value of a text that is a finite number in the syntax, or none.
std::optional<double> number_finite(std::wstring_view text);
