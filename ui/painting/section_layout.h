// What a cross-section drawing shows, worked out without a display: the window of the
// section around its signal conductors (layers that run on sideways are cut at its
// edges), and the dimension marks of a named line's options, each a measured segment
// with its label. Lengths in metres, y upwards as in the section.
#pragma once

#include "core/graded/cross_section.h"
#include "core/graded/line_types.h"
#include "input/length_units.h"

#include <string>
#include <vector>

struct section_box {
    double left, bottom, right, top;
};

// The region to draw: the signal conductors with a margin of about their own size, down
// to the lower plane and up to the upper one or the top of the layers over them, with
// some air above an open top. An empty section gives a unit box at the origin.
section_box section_view_box(const cross_section &section);

// A dimension mark: the segment measured and where its label goes, to the segment's
// side named by the outward direction (a unit vector, y upwards).
struct section_mark {
    xs_point from, to;
    xs_point outward;
    std::wstring label; // "w 0.3 mm"
};

// The marks of a named line's options that can be seen in its section (w, t, h, s, g,
// h2; the coax's diameters, the twin wire's diameter and pitch), labelled in the unit.
std::vector<section_mark> section_marks(const line_geometry &geometry, const cross_section &section,
                                        length_unit unit);
