// The units a length can be written in: millimetres (the calculation's own), mils,
// micrometres and inches. A text is converted only for showing and storing it; the
// calculation always reads millimetre texts, and a text in millimetres is never
// rewritten.
#pragma once

#include "input/fields.h"

#include <optional>
#include <string>
#include <string_view>

enum class length_unit { mm, mil, um, inch };

// The unit's spelling in a design file, on the command line and after a number:
// "mm", "mil", "um", "in". Cannot fail.
const char *length_unit_name(length_unit unit);

// What a label shows: L"mm", L"mil", L"\u00b5m", L"in". Cannot fail.
const wchar_t *length_unit_label(length_unit unit);

// The unit spelt name (exactly as length_unit_name writes it) into out. Returns false,
// out unchanged, for any other text.
bool length_unit_from_name(std::string_view name, length_unit &out);

// The length of one unit in millimetres (a mil: 0.0254).
double length_unit_mm(length_unit unit);

// The finest length a value in the unit means, in millimetres: 0.1 um in millimetres
// and micrometres, 0.01 mil in mils and inches.
double length_unit_resolution_mm(length_unit unit);

// The text of a field in `from` units as the same length in `to` units. The same unit
// gives the text unchanged. Keywords (AUTO, INF in any letter case) and texts that are
// no finite number in the calculator's number syntax come back unchanged, so that
// validation refuses them with its own message. Otherwise the converted value is
// written with "%.15g" in the C locale; a value whose conversion is beyond the doubles
// becomes "1e999" (or "-1e999"), which validation refuses as out of range. Every unit
// is a whole number of tenths of a micrometre, so the conversion is exact up to one
// rounding: 100 mil is 2.54 mm. Cannot fail.
std::wstring length_text_convert(std::wstring_view text, length_unit from, length_unit to);

// The same, rounded to what the `to` unit can mean (length_unit_resolution_mm), for
// showing a length: 1.6 mm in mils is "62.99", not "62.992125984252". Cannot fail.
std::wstring length_text_shown(std::wstring_view text, length_unit from, length_unit to);

// A length typed with its unit after the number ("1.6mm", "62mil", "35um", "0.062in")
// as the same length in millimetres; a text without one of these endings comes back
// unchanged (a bare number is millimetres already), and so does one whose number part
// is no number, for validation to refuse. Cannot fail.
std::wstring length_text_in_mm(std::wstring_view text);

// A length as typed in a front end: with its own unit, else in unit; in millimetres, as
// the two functions above give it. Cannot fail.
std::wstring length_text_typed_mm(std::wstring_view text, length_unit unit);

// The same length in metres, or none when it is no finite number. Cannot fail.
std::optional<double> length_typed_metres(std::wstring_view text, length_unit unit);
