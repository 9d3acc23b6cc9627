// The table of the input fields.
#include "input/fields.h"

#include <iterator>

namespace {

constexpr field_spec table[] = {
    {input_field::w1, "w1", "w1", "w1", field_unit::length, nullptr, L"2.4",
     "width of the top strip", nullptr},
    {input_field::w2, "w2", "w2", "w2", field_unit::length, L"INF", L"10",
     "width of the bottom strip", "a microstrip over an infinite ground plane"},
    {input_field::h, "h", "h", "h", field_unit::length, nullptr, L"0.79",
     "thickness of the dielectric slab", nullptr},
    {input_field::d, "d", "d", "d", field_unit::length, nullptr, L"0.0",
     "offset of the top strip's centre to the right of the bottom strip's centre", nullptr},
    {input_field::epsilon_r, "epsilon_r", "epsilon-r", "epsilon_r", field_unit::ratio, nullptr,
     L"2.2", "relative permittivity of the slab (1 or more)", nullptr},
    {input_field::p, "p", "p", "p", field_unit::length, L"AUTO", L"2.0",
     "overhang of the slab beyond the outermost strip edge", "chosen for the geometry"},
    {input_field::mesh_step, "mesh_step", "mesh-step", "mesh step", field_unit::length, L"AUTO",
     L"AUTO", "nominal cell width of the mesh", "chosen for the geometry"},
    {input_field::t, "t", "t", "t", field_unit::length, nullptr, L"0",
     "thickness of both strips' copper (the accurate variant only)", nullptr},
};

static_assert(std::size(table) == input_field_count);

} // namespace

std::span<const field_spec> field_specs() {
    return table;
}

const field_spec &field_spec_of(input_field field) {
    return table[field_index(field)];
}

std::optional<input_field> field_by_option(std::string_view option) {
    for (const field_spec &f : table) {
        if (option == f.option) return f.field;
    }
    return std::nullopt;
}

std::optional<input_field> field_by_key(std::string_view key) {
    for (const field_spec &f : table) {
        if (key == f.key) return f.field;
    }
    return std::nullopt;
}

bool field_is_length(input_field field) {
    return field_spec_of(field).unit == field_unit::length;
}

bool keyword_equals(std::wstring_view text, std::wstring_view keyword) {
    if (text.size() != keyword.size()) return false;
    auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (fold(text[i]) != fold(keyword[i])) return false;
    }
    return true;
}
