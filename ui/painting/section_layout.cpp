// The drawing's window on a cross-section and the dimension marks of its options.
#include "ui/painting/section_layout.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>

namespace {

struct extent {
    double left = INFINITY, bottom = INFINITY, right = -INFINITY, top = -INFINITY;

    void add(xs_point p) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        bottom = std::min(bottom, p.y);
        top = std::max(top, p.y);
    }
    bool empty() const { return !(left <= right && bottom <= top); }
    double width() const { return right - left; }
    double height() const { return top - bottom; }
};

extent outline_extent(const std::vector<xs_point> &outline) {
    extent e;
    for (xs_point p : outline)
        e.add(p);
    return e;
}

extent round_extent(const xs_round &r) {
    extent e;
    e.add({r.centre.x - r.radius, r.centre.y - r.radius});
    e.add({r.centre.x + r.radius, r.centre.y + r.radius});
    return e;
}

// The extent of signal conductor k (polygon or round), if there is one.
std::optional<extent> signal_extent(const cross_section &section, int k) {
    for (const xs_conductor &c : section.conductors) {
        if (c.electrode == k) return outline_extent(c.outline);
    }
    for (const xs_round &r : section.rounds) {
        if (r.electrode == k && !r.enclosing) return round_extent(r);
    }
    return std::nullopt;
}

// A length in the unit, its shortest text: "0.3 mm".
std::wstring length_label(const char *name, double metres, length_unit unit) {
    std::wostringstream text;
    text.precision(6);
    text << name << L' ' << metres * 1000 / length_unit_mm(unit) << L' ' << length_unit_label(unit);
    return text.str();
}

} // namespace

section_box section_view_box(const cross_section &section) {
    extent signals;
    for (const xs_conductor &c : section.conductors) {
        if (c.electrode != xs_ground) {
            for (xs_point p : c.outline)
                signals.add(p);
        }
    }
    for (const xs_round &r : section.rounds) {
        extent e = round_extent(r);
        // A shield is seen with its wall, a tenth of its radius.
        double wall = r.enclosing ? 0.1 * r.radius : 0;
        signals.add({e.left - wall, e.bottom - wall});
        signals.add({e.right + wall, e.top + wall});
    }
    if (signals.empty()) return {-1, -1, 1, 1};
    extent box = signals;
    double size = std::max(signals.width(), signals.height());
    bool round_only = section.conductors.empty();
    if (!round_only) {
        box.left -= 0.4 * size;
        box.right += 0.4 * size;
    }
    // The coplanar grounds' near edges, with some of the ground beyond them.
    for (const xs_conductor &c : section.conductors) {
        if (c.electrode != xs_ground) continue;
        extent e = outline_extent(c.outline);
        if (e.left >= signals.right)
            box.right = std::max(box.right, std::min(e.right, e.left + 0.4 * size));
        if (e.right <= signals.left)
            box.left = std::min(box.left, std::max(e.left, e.right - 0.4 * size));
    }
    if (section.ground_plane) box.add({box.left, 0});
    if (section.upper_plane) box.add({box.left, section.upper_height});
    // The layers over and under the conductors, as far as they reach into the window.
    for (const xs_dielectric &d : section.dielectrics) {
        extent e = outline_extent(d.outline);
        if (e.right <= box.left || e.left >= box.right) continue;
        if (!section.ground_plane || e.bottom >= 0) box.add({box.left, e.bottom});
        if (!section.upper_plane || e.top <= section.upper_height) box.add({box.left, e.top});
    }
    double height = box.height();
    if (!round_only) {
        // Air over an open top; a strip of each plane, to show it.
        box.top += (section.upper_plane ? 0.06 : 0.25) * std::max(height, size);
        box.bottom -= (section.ground_plane ? 0.06 : 0.1) * std::max(height, size);
    }
    return {box.left, box.bottom, box.right, box.top};
}

std::vector<section_mark> section_marks(const line_geometry &g, const cross_section &section,
                                        length_unit unit) {
    std::vector<section_mark> marks;
    const xs_point up{0, 1}, down{0, -1}, left{-1, 0}, right{1, 0};
    if (g.type == line_type::coax) {
        for (const xs_round &r : section.rounds) {
            double y = r.centre.y;
            const char *name = r.enclosing ? "D" : "d";
            marks.push_back({{r.centre.x - r.radius, y},
                             {r.centre.x + r.radius, y},
                             r.enclosing ? down : up,
                             length_label(name, 2 * r.radius, unit)});
        }
        return marks;
    }
    if (g.type == line_type::twin_wire) {
        std::optional<extent> a = signal_extent(section, 0);
        if (section.rounds.size() == 2 && a) {
            xs_point c0 = section.rounds[0].centre, c1 = section.rounds[1].centre;
            marks.push_back({{a->left, a->top},
                             {a->right, a->top},
                             up,
                             length_label("diameter", g.diameter, unit)});
            marks.push_back({c0, c1, down, length_label("pitch", g.pitch, unit)});
        }
        return marks;
    }
    std::optional<extent> first = signal_extent(section, 0);
    if (!first) return marks;
    const extent &a = *first;
    marks.push_back({{a.left, a.top}, {a.left + g.w, a.top}, up, length_label("w", g.w, unit)});
    // The thickness on the outer side of the rightmost trace, clear of a pair's gap.
    extent outer = a;
    if (std::optional<extent> b = signal_extent(section, 1); b && b->right > a.right) outer = *b;
    if (g.t > 0)
        marks.push_back({{outer.right, outer.bottom},
                         {outer.right, outer.top},
                         right,
                         length_label("t", g.t, unit)});
    if (section.ground_plane && a.bottom > 0)
        marks.push_back({{a.left, 0}, {a.left, a.bottom}, left, length_label("h", g.h, unit)});
    if (section.upper_plane && g.h2 > 0)
        marks.push_back({{a.left, a.top},
                         {a.left, section.upper_height},
                         left,
                         length_label("h2", g.h2, unit)});
    if (std::optional<extent> b = signal_extent(section, 1)) {
        if (g.type == line_type::broadside_stripline) {
            const extent &low = a.bottom < b->bottom ? a : *b,
                         &high = a.bottom < b->bottom ? *b : a;
            marks.push_back({{high.right, low.top},
                             {high.right, high.bottom},
                             right,
                             length_label("s", g.s, unit)});
        } else {
            const extent &l = a.left < b->left ? a : *b, &r = a.left < b->left ? *b : a;
            marks.push_back(
                {{l.right, l.bottom}, {r.left, l.bottom}, down, length_label("s", g.s, unit)});
        }
    }
    // The gap to the coplanar ground on the right of the rightmost signal conductor.
    double edge = a.right;
    if (std::optional<extent> b = signal_extent(section, 1)) edge = std::max(edge, b->right);
    for (const xs_conductor &c : section.conductors) {
        if (c.electrode != xs_ground || g.g <= 0) continue;
        extent e = outline_extent(c.outline);
        if (e.left > edge)
            marks.push_back(
                {{edge, a.bottom}, {e.left, a.bottom}, down, length_label("g", g.g, unit)});
    }
    return marks;
}
