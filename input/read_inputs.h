// Validation of the input fields: each text is read in a fixed order, parsed with the
// calculator's number syntax or recognised as a keyword, converted from millimetres to
// metres and checked. The first refused field ends the validation with its lines, which
// go to the error slot of the environment validation is given; the caller learns which
// field it was from the answer.
#pragma once

#include "core/base/calc_env.h"
#include "core/base/params.h"
#include "input/fields.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Where validation reads its texts and writes its lines: the main window, the command
// line, a study point or a design file.
class input_source {
  public:
    virtual ~input_source() = default;
    virtual void clear_results() = 0;
    // Adds a line to the result list without selecting it.
    virtual void add_line(const wchar_t *text) = 0;
    // The field's text as typed (validation sees its first 999 characters).
    virtual std::wstring fetch_text(input_field field) = 0;
    // The value of a too small p, "%le" in metres, which the calculator writes to the
    // process's standard output beside the refusal; a source without one drops it.
    virtual void print_diagnostic(const char *line) { (void)line; }
};

// A field's text as validation sees it: at most its first capacity - 1 characters, and a
// NUL inside it as U+FFFD, so that '2<NUL>abc' is refused as what it is instead of being
// read as '2'. The buffer is terminated.
void copy_field_text(std::wstring_view text, wchar_t *buffer, std::size_t capacity);

// Reads the seven fields into *params. Returns 0 when all were accepted and *params is
// complete, 1 when a field was refused: its lines went to env's error slot and, when
// refused is given, the field to *refused.
int read_inputs(input_source &source, calc_params *params, const calc_env &env,
                input_field *refused = nullptr);

// Reads the strip thickness of the accurate variant (millimetres, the fields' number
// syntax) into params->t once the seven fields are in. Returns 0, or 1 when the text is
// refused, its lines through env's error slot: not a number, not finite, negative, or
// larger than h.
int read_thickness(std::wstring_view text, calc_params *params, const calc_env &env);

// The seven fields, then the thickness: the whole validation of one line. Returns the
// refused field, or none when *params is complete.
std::optional<input_field> validate_fields(input_source &source, calc_params *params,
                                           const calc_env &env);
