// The charges of a solved line as a CSV table, one row per cell: what `--charges` writes
// and the desktop program exports.
#pragma once

#include "core/base/charge_profile.h"

#include <cstdio>

// The cells with a header line. A flat profile (the uniform variant's strips and slab
// faces) as index, face (top or bottom), kind (strip or dielectric), center,
// half_width, free_charge, total_charge; any other as index, kind (conductor or plane),
// conductor, x, y, along (the position along the conductor's outline), length,
// free_charge, total_charge. Metres and coulombs per square metre (per volt between the
// conductors, for the accurate variant). Returns false when writing failed.
bool write_charge_table(std::FILE *file, const charge_profile &charges);
