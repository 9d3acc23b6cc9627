// Closed-form integrals over one straight panel of uniform unit density, seen from a
// point p: the logarithmic potential integral of ln |p - r'| over the panel and its
// gradient with respect to p, the integral of (p - r') / |p - r'|^2. In the panel's frame
// (tangent along the panel from end a, normal to its left) with the ends at s1 and s2
// along the tangent and p at height v:
//   potential   (s2 ln r2^2 - s1 ln r1^2) / 2 - L + v theta
//   tangential  ln(r1^2 / r2^2) / 2
//   normal      theta, the angle the panel subtends at p
// where r1, r2 are the distances to the ends. On the panel's own line inside it (the
// panel's own centre) the normal part is taken as its principal value, 0: the jump of
// the field across the charged panel is the assembly's business.
#pragma once

#include "core/graded/panels.h"

struct panel_influence {
    double potential;
    double gradient_x;
    double gradient_y;
};

// What the integrals need of a panel, worked out once for all the points it is seen from.
struct panel_frame {
    xs_point a; // first end
    xs_point centre;
    double tx, ty; // unit tangent from a
    double length;
    double far2; // squared distance beyond which the expansion is used
};

panel_frame panel_frame_of(xs_point a, xs_point b);

panel_influence panel_integrals_at(const panel_frame &panel, xs_point p);

// The same for a panel given by its ends.
panel_influence panel_integrals(xs_point a, xs_point b, xs_point p);
