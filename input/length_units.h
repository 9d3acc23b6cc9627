// The units a length can be shown in: millimetres (the calculation's own), mils and
// micrometres. A text is converted only for showing and storing it; the calculation
// always reads millimetre texts, and a text in millimetres is never rewritten.
#pragma once

#include "input/fields.h"

#include <string>
#include <string_view>

enum class length_unit { mm, mil, um };

// The unit's spelling in a design file and on the command line: "mm", "mil", "um".
// Cannot fail.
const char *length_unit_name(length_unit unit);

// What a label shows: L"mm", L"mil", L"\u00b5m". Cannot fail.
const wchar_t *length_unit_label(length_unit unit);

// The unit spelt name (exactly as length_unit_name writes it) into out. Returns false,
// out unchanged, for any other text.
bool length_unit_from_name(std::string_view name, length_unit &out);

// The length of one unit in millimetres (a mil: 0.0254).
double length_unit_mm(length_unit unit);

// The text of a field in `from` units as the same length in `to` units. The same unit
// gives the text unchanged. Keywords (AUTO, INF in any letter case) and texts that are
// no finite number in the calculator's number syntax come back unchanged, so that
// validation refuses them with its own message. Otherwise the converted value is
// written with "%.15g" in the C locale; a value whose conversion is beyond the doubles
// becomes "1e999" (or "-1e999"), which validation refuses as out of range. Cannot fail.
std::wstring length_text_convert(std::wstring_view text, length_unit from, length_unit to);
