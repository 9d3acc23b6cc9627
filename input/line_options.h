// The named line types and their options, each declared once: the type's name on the
// command line and in files, its label and what it is; an option's key in files and
// records, its --spelling, whether it is a length, its keyword, its start text, what it
// is and the types it applies to. Every front end, study, file and report reads these
// tables, and line_read turns a type's option texts into its geometry.
#pragma once

#include "core/graded/line_types.h"
#include "input/fields.h"
#include "input/length_units.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct line_type_spec {
    line_type type;
    const char *name;    // "coupled-microstrip"
    const char *label;   // "Coupled microstrip"
    const char *meaning; // for help and tooltips
};

enum class line_option {
    w,
    t,
    etch,
    h,
    epsilon_r,
    s,
    g,
    ground_width,
    h2,
    epsilon_r2,
    cover,
    mask,
    epsilon_mask,
    substrate_width,
    d_inner,
    d_outer,
    diameter,
    pitch,
};

constexpr int line_option_count = 18;

struct line_option_spec {
    line_option option;
    const char *key;        // files and records: "epsilon_r2"
    const char *spelling;   // the command line's --option: "epsilon-r2"
    field_unit unit;        // a length (in the chosen unit) or a ratio
    const wchar_t *keyword; // "AUTO", or null
    // The start text in millimetres; null: the option follows another's value
    // (epsilon-r2 takes epsilon-r's).
    const wchar_t *start;
    const char *meaning;
    unsigned types; // bit (1 << int(line_type)) for each type it applies to
};

std::span<const line_type_spec> line_type_specs();
const line_type_spec &line_type_spec_of(line_type type);
std::optional<line_type> line_type_by_name(std::string_view name);

std::span<const line_option_spec> line_option_specs();
const line_option_spec &line_option_spec_of(line_option option);
// By --spelling ("epsilon-r2") or by key ("epsilon_r2").
std::optional<line_option> line_option_by_spelling(std::string_view spelling);
std::optional<line_option> line_option_by_key(std::string_view key);

bool line_option_applies(line_option option, line_type type);

// The option a refusal's text names at its start ("--w: the trace width must be > 0",
// "--w '-1' refused: ..."), if it names one.
std::optional<line_option> line_option_named_in(std::wstring_view reason);

// "cpw, gcpw and coupled-gcpw": the types an option applies to, for a refusal.
std::string line_option_types_text(line_option option);

// A line as typed: its type and one text per option (in line_option order), lengths in
// millimetres; an empty text takes the start text.
struct line_input {
    line_type type = line_type::microstrip;
    std::array<std::wstring, line_option_count> texts;
};

// The texts the type starts with: every option's start text, or empty.
line_input line_input_start(line_type type);

// The text of an option as read: its own, else its start text, else (epsilon-r2) the
// text of the option it follows.
std::wstring line_text_of(const line_input &input, line_option option);

// A length typed in millimetres (mm_text, whose value is mm) in metres, the double
// nearest the decimal typed. Cannot fail.
double line_metres(std::wstring_view mm_text, double mm);

// Reads every option the type uses into the geometry (metres), texts in millimetres.
// Returns the refused option with why in reason ("--w '-1' refused: the trace width
// must be > 0"), or none; the geometry is then checked only by line_section.
std::optional<line_option> line_read(const line_input &input, line_geometry &out,
                                     std::wstring &reason);
