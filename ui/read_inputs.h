// Validation of the seven input fields: each text is read in a fixed order, parsed with
// the calculator's number syntax or recognised as a keyword, converted from millimetres
// to metres and checked. The first refused field ends the validation with its lines.
#pragma once

#include "../core/params.h"

#include <cstddef>
#include <cstdio>
#include <string_view>

// The control ids of the seven fields in the main window.
enum field_control {
    control_w1 = 1001,
    control_w2 = 1002,
    control_h = 1003,
    control_d = 1004,
    control_epsilon_r = 1005,
    control_p = 1006,
    control_mesh_step = 1007,
};

// Front ends that keep the field texts in a list index them by field_control -
// control_w1; the strip thickness follows the seven as field_t.
constexpr int field_t = 7;

// Where validation reads its texts and writes its lines: the main window, the command
// line or a test.
class input_source {
  public:
    virtual ~input_source() = default;
    virtual void clear_results() = 0;
    // Adds a line to the result list without selecting it.
    virtual void add_line(const wchar_t *text) = 0;
    // Copies the control's text, cut to capacity - 1 characters and terminated.
    virtual void fetch_text(field_control control, wchar_t *buffer, std::size_t capacity) = 0;
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
