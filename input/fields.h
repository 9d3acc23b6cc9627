// The calculator's input fields, each declared once: its key in design files and
// records, its option on the command line, its label, whether it is a length, the
// keyword it takes, its start text and what it is. Every front end, study, file and
// report reads this table.
#pragma once

#include <optional>
#include <span>
#include <string_view>

// The dialog's seven fields, then the accurate variant's strip thickness.
enum class input_field { w1, w2, h, d, epsilon_r, p, mesh_step, t };

constexpr int input_field_count = 8;

// The position of a field in a list of field texts, which front ends keep in this order.
constexpr int field_index(input_field field) {
    return int(field);
}

enum class field_unit {
    length, // millimetres in the calculation, shown in the window's unit
    ratio,  // a dimensionless number
};

struct field_spec {
    input_field field;
    const char *key;             // design files and records: "epsilon_r", "mesh_step"
    const char *option;          // the command line's --option: "epsilon-r", "mesh-step"
    const char *label;           // what a person reads: "epsilon_r", "mesh step"
    field_unit unit;             // length or ratio
    const wchar_t *keyword;      // "INF" or "AUTO", or null
    const wchar_t *start;        // the start text
    const char *meaning;         // what the value is, for help and tooltips
    const char *keyword_meaning; // what the keyword asks for, or null
};

// The table, in input_field order. Cannot fail.
std::span<const field_spec> field_specs();
const field_spec &field_spec_of(input_field field);

// The field of an option spelling ("epsilon-r") or of a key ("epsilon_r"); none for a
// name that is neither.
std::optional<input_field> field_by_option(std::string_view option);
std::optional<input_field> field_by_key(std::string_view key);

// Whether the field holds a length: all but epsilon_r.
bool field_is_length(input_field field);

// Whether a text is the keyword, as validation compares them: the whole untrimmed text,
// folding only the letters A-Z, so that "inf" is the keyword in every locale.
bool keyword_equals(std::wstring_view text, std::wstring_view keyword);

// The convergence study's tolerance when none is given, in percent (kept as typed, so
// that what is written back is what was typed; a study takes it over 100).
constexpr double default_tolerance_percent = 0.05;
