// Validation of the seven input fields: each text is read in a fixed order, parsed with
// the calculator's number syntax or recognised as a keyword, converted from millimetres
// to metres and checked. The first refused field ends the validation with its lines.
#pragma once

#include "core/base/params.h"

#include <cstddef>
#include <cstdio>
#include <string_view>

// The input fields: the dialog's seven, then the accurate variant's strip thickness.
enum class input_field { w1, w2, h, d, epsilon_r, p, mesh_step, t };

constexpr int input_field_count = 8;

// The position of a field in a list of field texts, which front ends keep in this order.
constexpr int field_index(input_field field) {
    return int(field);
}

// Where validation reads its texts and writes its lines: the main window, the command
// line or a test.
class input_source {
  public:
    virtual ~input_source() = default;
    virtual void clear_results() = 0;
    // Adds a line to the result list without selecting it.
    virtual void add_line(const wchar_t *text) = 0;
    // Copies the field's text, cut to capacity - 1 characters and terminated.
    virtual void fetch_text(input_field field, wchar_t *buffer, std::size_t capacity) = 0;
};

// What every input_source does in fetch_text: copies at most capacity - 1 characters of
// text into buffer and terminates it. A NUL inside the text becomes U+FFFD, so that
// '2<NUL>abc' is refused as what it is instead of being read as '2'.
void copy_field_text(std::wstring_view text, wchar_t *buffer, std::size_t capacity);

// Returns 0 when all seven fields were accepted and *params is complete, 1 when a field
// was refused (its lines went to the error sink, and for a too small p its value in
// metres went to diagnostics as "%le\n").
int read_inputs(input_source &source, calc_params *params, std::FILE *diagnostics = stdout);

// Reads the strip thickness of the accurate variant (millimetres, the fields' number
// syntax) into params->t once the seven fields are in. Returns 0, or 1 when the text is
// refused, its lines through the error sink: not a number, not finite, negative, or
// larger than h.
int read_thickness(const wchar_t *text, calc_params *params);
