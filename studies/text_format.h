// Text forms of the calculator's outputs: numbers that read back to the same double, and
// files written or the reason they could not be.
#pragma once

#include "core/base/c_locale.h"

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

// printf's format in the C locale, into a text of at most 511 bytes.
template <class... Values> std::string printf_string(const char *format, Values... values) {
    c_locale_scope numbers_in_c_locale;
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// 17 significant digits in the C locale's form, or "null" for a non-finite value.
std::string format_double(double value);

// Writes a file through write(FILE *) -> bool; on any failure (opening, writing, closing)
// says so on err, naming the file and the reason, and returns false.
bool write_file(const std::string &name, std::FILE *err,
                const std::function<bool(std::FILE *)> &write);
