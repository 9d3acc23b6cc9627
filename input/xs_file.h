// Cross-section files: any line as a small versioned JSON file, so that a stack-up no
// named type covers can be computed (orvanta-cli --xs FILE) and the cross-section a
// named type builds can be written out to be edited (--save-xs FILE). Lengths in metres:
//   {
//     "format": "orvanta-cross-section", "version": 1,
//     "lower_plane": true,                 (a ground plane fills y < 0)
//     "upper_plane": 0.00045,              (one fills y > 0.00045; null: none)
//     "background_epsilon_r": 1,           (outside every dielectric)
//     "background_tan_delta": 0,           (its loss tangent; optional, 0)
//     "dielectrics": [{"epsilon_r": 4.4, "tan_delta": 0.02,  (optional, 0)
//                      "polygon": [[x, y], ...]}, ...],
//     "conductors": [{"role": "signal", "signal": 1, "polygon": [[x, y], ...]},
//                    {"role": "ground", "polygon": [...]},
//                    {"role": "signal", "signal": 2, "circle": {"centre": [x, y],
//                                                                "radius": r}},
//                    {"role": "ground", "shield": {"centre": [x, y], "radius": r}}]
//   }
// A polygon is closed by its last edge back to its first corner; two corners make a sheet
// of zero thickness. Where dielectrics overlap, the first listed holds. Signals are
// numbered 1 .. n; a shield is the inside of a conductor filling everything beyond the
// circle.
#pragma once

#include "core/graded/cross_section.h"

#include <string>

constexpr int xs_format_version = 1;

// Reads the file into out. On failure returns false, out untouched, with error one line
// naming the file and the element at fault ("board.json: conductors[2]: the polygon
// crosses itself"): unreadable, larger than 1 MB, no JSON, no cross-section, a later
// version, a key missing or of the wrong kind, a polygon with fewer than two corners or
// crossing itself, conductors that overlap or touch, a conductor outside the planes,
// signals not numbered 1 .. n, no signal conductor, a permittivity below 1, a loss
// tangent outside [0, 1), a length not finite.
bool xs_read(const std::string &path, cross_section &out, std::string &error);

// The file's JSON text for a section, as xs_read reads it. Cannot fail.
std::string xs_json(const cross_section &section);

// Writes that text atomically (file_write_atomic); false with error on failure.
bool xs_write(const std::string &path, const cross_section &section, std::string &error);
