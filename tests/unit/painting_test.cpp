// The painters' geometry: dialog units, the picture rectangle, the chart's bars and the
// field's contour lines.
#include "studies/line_study.h"
#include "ui/painting/charge_chart.h"
#include "ui/painting/contours.h"
#include "ui/painting/dialog_units.h"
#include "ui/painting/drawing_placement.h"
#include "ui/painting/section_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(picture_rect, fits_the_bitmaps_proportions_at_ninety_percent) {
    EXPECT_EQ(picture_rect(456, 190, 439, 220), (pixel_rect{57, 10, 341, 170})); // height-limited
    EXPECT_EQ(picture_rect(300, 190, 439, 220), (pixel_rect{15, 27, 270, 135})); // width-limited
    EXPECT_EQ(picture_rect(1000, 100, 439, 220), (pixel_rect{410, 5, 179, 89}));
    EXPECT_EQ(picture_rect(0, 0, 439, 220), (pixel_rect{0, 0, 0, 0}));
    EXPECT_EQ(picture_rect(100, 100, 0, 220), (pixel_rect{0, 0, 0, 0}));
}

TEST(dialog_units, scale_with_the_font) {
    // Base units 7 x 16: x * 7 / 4 and y * 16 / 8, rounded to the nearest pixel.
    EXPECT_EQ(dialog_to_pixels({245, 129, 50, 14}, {7, 16}), (pixel_rect{429, 258, 88, 28}));
    EXPECT_EQ(dialog_to_pixels({1, 1, 2, 3}, {6, 13}), (pixel_rect{2, 2, 3, 5}));
}

// A cell of the profile on a strip (0 top, 1 bottom) or a bare face (-1).
charge_cell cell(double center, double half_width, int conductor, double value) {
    return {center,     0,
            half_width, 1,
            0,          conductor >= 0 ? charge_kind::conductor : charge_kind::face,
            conductor,  conductor == 0,
            center,     value,
            value};
}

struct chart_fixture {
    charge_cell cells[5] = {cell(-0.5, 0.5, 0, 1), cell(0.5, 0.5, 0, 1), cell(-0.5, 0.5, 1, -1),
                            cell(0.5, 0.5, 1, -1)};
    charge_profile charges{4, cells, true};
    plot_request request{&charges};
};

TEST(chart_bars, two_cells_per_strip) {
    chart_fixture f;
    std::vector<chart_bar> expected = {{0, 0, 101, 51, bar_colour::red},
                                       {100, 0, 201, 51, bar_colour::red},
                                       {0, 100, 101, 51, bar_colour::blue},
                                       {100, 100, 201, 51, bar_colour::blue}};
    EXPECT_EQ(chart_bars(200, 100, f.request), expected);
}

TEST(chart_bars, extent_fills_the_width_and_slab_cells_count_but_are_not_drawn) {
    chart_fixture f;
    // Cells spanning 0 to 2, with a slab cell carrying the largest value.
    charge_cell cells[5] = {cell(0.25, 0.25, 0, 1), cell(0.75, 0.25, 0, 1), cell(1.25, 0.25, 1, -1),
                            cell(1.75, 0.25, 1, -1), cell(1.0, 1.0, -1, 3)};
    f.charges = {5, cells, true};
    std::vector<chart_bar> bars = chart_bars(200, 100, f.request);
    ASSERT_EQ(bars.size(), 4u);
    EXPECT_EQ(bars[0].left, 0); // ox = 0: the extent starts at the left edge
    EXPECT_EQ(bars[3].right, 201);
    EXPECT_EQ(bars[0].top, 50); // q = 1 of a range -1 .. 3 sits half way down
    EXPECT_EQ(bars[0].bottom, 76);
}

// Equal values leave no vertical scale; nothing is drawn rather than garbage.
TEST(chart_bars, equal_values_draw_nothing) {
    chart_fixture f;
    for (charge_cell &c : f.cells)
        c.free_charge = 2;
    EXPECT_TRUE(chart_bars(200, 100, f.request).empty());
}

} // namespace

// Contours of a sampled field: a plane's level lines are straight and where the
// interpolation puts them, a saddle splits into two lines, a cell with a gap has none.
TEST(contours, follow_the_samples_and_split_saddles) {
    // v = x on 4 columns and 3 rows: the level 1.5 is the vertical x = 1.5.
    std::vector<double> plane;
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 4; ++i)
            plane.push_back(i);
    }
    std::vector<double> levels{1.5, 7.0};
    auto lines = contour_lines(plane, 4, 3, levels);
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines[0].size(), 2u);
    for (const contour_segment &s : lines[0]) {
        EXPECT_EQ(s.x1, 1.5);
        EXPECT_EQ(s.x2, 1.5);
        EXPECT_EQ(std::fabs(s.y2 - s.y1), 1.0);
    }
    EXPECT_TRUE(lines[1].empty());

    // A saddle whose centre (the mean, 1) is above the level: the level cuts off the two
    // low corners.
    std::vector<double> saddle{2, 0, 0, 2};
    std::vector<double> one{0.8};
    auto cut = contour_lines(saddle, 2, 2, one)[0];
    ASSERT_EQ(cut.size(), 2u);
    for (const contour_segment &s : cut) {
        // Each segment stays next to one low corner: (1, 0) or (0, 1).
        double mx = (s.x1 + s.x2) / 2, my = (s.y1 + s.y2) / 2;
        EXPECT_TRUE((mx > 0.5 && my < 0.5) || (mx < 0.5 && my > 0.5)) << mx << ' ' << my;
    }

    std::vector<double> gap{0, 1, NAN, 1};
    EXPECT_TRUE(contour_lines(gap, 2, 2, one)[0].empty());
}

// The drawing's window holds the signal conductors, the planes and the coplanar grounds'
// near edges; the marks measure what their options say.
TEST(section_layout, window_and_marks_follow_the_line) {
    auto build = [](line_type type) {
        cross_section xs{};
        std::wstring reason;
        EXPECT_TRUE(line_build(line_input_start(type), xs, reason));
        return xs;
    };
    auto mark = [](const std::vector<section_mark> &marks, const wchar_t *name) {
        for (const section_mark &m : marks) {
            if (m.label.starts_with(std::wstring(name) + L' '))
                return std::hypot(m.to.x - m.from.x, m.to.y - m.from.y);
        }
        return -1.0;
    };
    line_geometry g;
    std::wstring reason;
    cross_section gcpw = build(line_type::gcpw);
    ASSERT_FALSE(line_read(line_input_start(line_type::gcpw), g, reason));
    section_box box = section_view_box(gcpw);
    EXPECT_LT(box.bottom, 0); // a strip of the plane shows
    for (const xs_conductor &c : gcpw.conductors) {
        if (c.electrode != xs_ground) continue;
        double near = c.outline[0].x < 0 ? -1e9 : 1e9;
        for (xs_point p : c.outline)
            near = c.outline[0].x < 0 ? std::max(near, p.x) : std::min(near, p.x);
        EXPECT_TRUE(near > box.left && near < box.right) << near;
    }
    std::vector<section_mark> marks = section_marks(g, gcpw, length_unit::mil);
    EXPECT_NEAR(mark(marks, L"w"), g.w, 1e-15);
    EXPECT_NEAR(mark(marks, L"h"), g.h, 1e-15);
    EXPECT_NEAR(mark(marks, L"g"), g.g, 1e-15);
    EXPECT_NEAR(mark(marks, L"t"), g.t, 1e-15);

    cross_section pair = build(line_type::coupled_stripline);
    ASSERT_FALSE(line_read(line_input_start(line_type::coupled_stripline), g, reason));
    marks = section_marks(g, pair, length_unit::mm);
    EXPECT_NEAR(mark(marks, L"s"), g.s, 1e-15);
    EXPECT_NEAR(mark(marks, L"h2"), g.h2, 1e-15);
    box = section_view_box(pair);
    EXPECT_GT(box.top, pair.upper_height);

    cross_section coax = build(line_type::coax);
    ASSERT_FALSE(line_read(line_input_start(line_type::coax), g, reason));
    marks = section_marks(g, coax, length_unit::um);
    EXPECT_NEAR(mark(marks, L"D"), g.d_outer, 1e-15);
    EXPECT_NEAR(mark(marks, L"d"), g.d_inner, 1e-15);
}
