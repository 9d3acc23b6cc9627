// The charges of a solved line as a CSV table, one row per cell: what `--charges` writes
// and the desktop program exports.
#pragma once

#include "core/base/charge_profile.h"

#include <cstdio>

// The cells with a header line: index, face (top or bottom), kind (strip or dielectric),
// center, half_width, free_charge, total_charge. Returns false when writing failed.
bool write_charge_table(std::FILE *file, const charge_profile &charges);
