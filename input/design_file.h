// Design files: one line design kept for another day, as a small versioned JSON document
// (extension .orvanta) holding the field texts exactly as typed, the unit they were
// typed in, the solver variant and the convergence tolerance, and for a named line type
// (version 2) the type and its option texts.
#pragma once

#include "core/job/solver_variant.h"
#include "input/length_units.h"
#include "input/line_options.h"
#include "input/read_inputs.h"

#include <string>

// The file format's version; a reader refuses a later one rather than misread it.
// Version 1 holds the two-strip line only; version 2 adds "line" and "line_options".
constexpr int design_format_version = 2;

struct design {
    design();

    // In input_field order, t last; each starts as its start text.
    std::wstring fields[input_field_count];
    length_unit unit = length_unit::mm;
    solver_variant variant = solver_variant::specified;
    double tolerance_percent = default_tolerance_percent;
    // The line type (two_strip: the fields above) and its option texts in `unit`.
    line_input line;
};

// The design's line with its lengths converted from the design's unit to millimetres.
line_input design_line_mm(const design &d);

// The field's text as the calculation reads it: a length converted from the design's
// unit to millimetres (length_text_convert), epsilon_r as it is. Cannot fail.
std::wstring design_field_mm(const design &d, input_field field);

// Whether the design's texts pass the calculator's validation, in millimetres (a
// thickness with the specified variant is a state the window may hold and Calculate
// refuses; it is kept, not refused here). On a refusal returns false with `error` naming
// the field by its key and giving validation's own lines, e.g.
// `field w1 = "-1": ERROR: The value of `w1` must be > 0`.
bool design_validate(const design &d, std::string &error);

// Reads the design file at path into out. On failure returns false, leaves out
// untouched, and sets error to one line that names the file and says what is wrong: it
// cannot be opened or read, is larger than 1 MB, is no JSON, is no design document, was
// written by a newer format, lacks a key or has one of the wrong kind, or holds a text
// that validation refuses (design_validate). Unknown keys are ignored.
bool design_read(const std::string &path, design &out, std::string &error);

// Writes the design to path atomically: a temporary file in the same directory, synced
// and then renamed over the target, whose mode is kept if it exists (a new file gets
// 0666 less the umask). On any failure returns false with error naming the file and the
// reason; the temporary is removed and the target is untouched.
bool design_write(const std::string &path, const design &d, std::string &error);

// The JSON text design_write writes, the tolerance in percent as it was typed. Cannot
// fail.
std::string design_json(const design &d);
