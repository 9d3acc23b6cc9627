// Mesh construction: the worked geometries, the permittivity rule, refusals, memory
// failures and the invariants on odd input.
#include "core/uniform/mesh.h"
#include "tests/support/sink_capture.h"

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr double mm = 0.001;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

// The dialog's start values as validation turns them into metres.
mesh_ptr start_mesh() {
    return mesh_ptr(
        mesh_new(0.0024000000000000002, 0.01, 0, 0.002, 0.00079000000000000012, 2.2, -1));
}

// Every cell begins where the one before it ends (up to the rounding of center -
// half_width), and the segment spans [from, to].
void expect_contiguous(const mesh_t &m, std::int32_t begin, std::int32_t end, double from,
                       double to) {
    ASSERT_GE(end - begin, 4);
    EXPECT_NEAR(m.cells[begin].center - m.cells[begin].half_width, from, 1e-15);
    for (std::int32_t i = begin + 1; i < end; ++i) {
        EXPECT_NEAR(m.cells[i].center - m.cells[i].half_width,
                    m.cells[i - 1].center + m.cells[i - 1].half_width, 1e-18);
        EXPECT_GT(m.cells[i].center, m.cells[i - 1].center);
    }
    EXPECT_NEAR(m.cells[end - 1].center + m.cells[end - 1].half_width, to, 1e-15);
}

std::vector<double> widths_mm(const mesh_t &m, std::int32_t begin, std::int32_t end) {
    std::vector<double> w;
    for (std::int32_t i = begin; i < end; ++i)
        w.push_back(2 * m.cells[i].half_width / mm);
    return w;
}

void expect_widths(const std::vector<double> &actual, const std::vector<double> &expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-12) << i;
}

using mesh_test = core_test;

TEST_F(mesh_test, start_values_give_the_worked_mesh) {
    mesh_ptr m = start_mesh();
    ASSERT_TRUE(m);
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(m->capacity, 261);
    EXPECT_EQ(m->strip1_begin, 0);
    EXPECT_EQ(m->strip2_begin, 23);
    EXPECT_EQ(m->dielectric_begin, 110);
    EXPECT_EQ(m->lower_dielectric_begin, 212);
    EXPECT_EQ(m->cell_count, 250);
    EXPECT_EQ(m->epsilon_r, 2.2);
    EXPECT_EQ(m->h, 0.00079000000000000012);
    // The worked figures are decimal roundings of the computed cells.
    const double expected[3][2] = {
        {-1.186078125, 0.013921875}, {-1.148953125, 0.023203125}, {-1.0665, 0.05925}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(m->cells[i].center / mm, expected[i][0], 1e-12);
        EXPECT_NEAR(m->cells[i].half_width / mm, expected[i][1], 1e-12);
    }
    // Uniform cells all carry the one half width step * 0.5.
    EXPECT_EQ(m->cells[2].half_width, m->cells[20].half_width);
    expect_contiguous(*m, 0, 23, -1.2 * mm, 1.2 * mm);
    expect_contiguous(*m, 23, 110, -5 * mm, 5 * mm);
    expect_contiguous(*m, 110, 161, -7 * mm, -1.2 * mm);
    expect_contiguous(*m, 161, 212, 1.2 * mm, 7 * mm);
    expect_contiguous(*m, 212, 231, -7 * mm, -5 * mm);
    expect_contiguous(*m, 231, 250, 5 * mm, 7 * mm);
}

TEST_F(mesh_test, offset_strip_with_explicit_step) {
    mesh_ptr m(mesh_new(1 * mm, 2 * mm, 0.5 * mm, 1 * mm, 1 * mm, 4, 0.3 * mm));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->capacity, 51);
    EXPECT_EQ(m->strip2_begin, 6);
    EXPECT_EQ(m->dielectric_begin, 15);
    EXPECT_EQ(m->lower_dielectric_begin, 30);
    EXPECT_EQ(m->cell_count, 42);
    const double top[6][2] = {{0.0375, 0.0375}, {0.1375, 0.0625}, {0.35, 0.15},
                              {0.65, 0.15},     {0.8625, 0.0625}, {0.9625, 0.0375}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(m->cells[i].center / mm, top[i][0], 1e-12);
        EXPECT_NEAR(m->cells[i].half_width / mm, top[i][1], 1e-12);
    }
    expect_contiguous(*m, 6, 15, -1 * mm, 1 * mm);
    expect_contiguous(*m, 15, 24, -2 * mm, 0);
    expect_contiguous(*m, 36, 42, 1 * mm, 2 * mm);
}

TEST_F(mesh_test, low_permittivity_is_treated_as_vacuum) {
    mesh_ptr vacuum(mesh_new(1 * mm, 2 * mm, 0.5 * mm, 1 * mm, 1 * mm, 1.0, 0.3 * mm));
    ASSERT_TRUE(vacuum);
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(vacuum->cell_count, 15);
    EXPECT_EQ(vacuum->dielectric_begin, 15);
    EXPECT_EQ(vacuum->lower_dielectric_begin, 15);
    EXPECT_EQ(vacuum->epsilon_r, 1.0);

    const std::vector<sink_line> warning = {
        info_line(L"WARNING: epsilon should be either 1.0 or much bigger than 1"),
        info_line(L"Calculation with epsilon_r = 1.0")};
    for (double eps : {1.2, 1.35, nan, -3.0}) {
        captured_lines().clear();
        mesh_ptr m(mesh_new(1 * mm, 2 * mm, 0.5 * mm, 1 * mm, 1 * mm, eps, 0.3 * mm));
        ASSERT_TRUE(m);
        EXPECT_EQ(lines(), warning) << eps;
        EXPECT_EQ(m->cell_count, 15);
        EXPECT_EQ(m->lower_dielectric_begin, 15);
        EXPECT_EQ(bits(m->epsilon_r), bits(1.0));
    }

    captured_lines().clear();
    mesh_ptr just_above(mesh_new(1 * mm, 2 * mm, 0.5 * mm, 1 * mm, 1 * mm, 1.3500001, 0.3 * mm));
    ASSERT_TRUE(just_above);
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(just_above->cell_count, 42);
    EXPECT_EQ(just_above->epsilon_r, 1.3500001);
}

TEST_F(mesh_test, short_segments_get_four_graded_cells) {
    mesh_ptr m(mesh_new(1 * mm, 2 * mm, 0.5 * mm, 0.1 * mm, 1 * mm, 4, 0.3 * mm));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->capacity, 39);
    EXPECT_EQ(m->cell_count, 33);
    EXPECT_EQ(m->lower_dielectric_begin - m->dielectric_begin, 6 + 4);
    const std::vector<double> short_piece = {0.01875, 0.03125, 0.03125, 0.01875};
    expect_widths(widths_mm(*m, m->lower_dielectric_begin - 4, m->lower_dielectric_begin),
                  short_piece);
    expect_widths(widths_mm(*m, m->lower_dielectric_begin, m->lower_dielectric_begin + 4),
                  short_piece);
    expect_widths(widths_mm(*m, m->cell_count - 4, m->cell_count), short_piece);

    // A length of exactly k steps keeps k - 1 uniform cells and one step of residual.
    mesh_ptr one(mesh_new(1 * mm, 1 * mm, 0, 1 * mm, 1 * mm, 1, 0.5 * mm));
    ASSERT_TRUE(one);
    expect_widths(widths_mm(*one, 0, one->strip2_begin), {0.09375, 0.15625, 0.5, 0.15625, 0.09375});
    mesh_ptr under_two(mesh_new(0.9 * mm, 0.9 * mm, 0, 1 * mm, 1 * mm, 1, 0.5 * mm));
    ASSERT_TRUE(under_two);
    expect_widths(widths_mm(*under_two, 0, under_two->strip2_begin),
                  {0.16875, 0.28125, 0.28125, 0.16875});
}

TEST_F(mesh_test, offsets_of_either_sign_mirror_the_strips) {
    for (double d : {5 * mm, -5 * mm}) {
        mesh_ptr m(mesh_new(1 * mm, 1 * mm, d, 1 * mm, 1 * mm, 4, 0.35 * mm));
        ASSERT_TRUE(m);
        EXPECT_EQ(m->capacity, 70);
        EXPECT_EQ(m->cell_count, 60);
        EXPECT_EQ(m->strip2_begin, 5);
        EXPECT_EQ(m->dielectric_begin, 10);
        EXPECT_EQ(m->lower_dielectric_begin, 35);
        double top_left = d > 0 ? 2 * mm : -3 * mm;
        double bottom_left = d > 0 ? -3 * mm : 2 * mm;
        expect_contiguous(*m, 0, 5, top_left, top_left + 1 * mm);
        expect_contiguous(*m, 5, 10, bottom_left, bottom_left + 1 * mm);
        EXPECT_NEAR(m->cells[10].center - m->cells[10].half_width, -4 * mm, 1e-15);
        EXPECT_NEAR(m->cells[59].center + m->cells[59].half_width, 4 * mm, 1e-15);
    }
}

TEST_F(mesh_test, zero_or_negative_step_is_automatic) {
    mesh_ptr automatic = start_mesh();
    for (double step : {0.0, -0.0, -1.0}) {
        mesh_ptr m(
            mesh_new(0.0024000000000000002, 0.01, 0, 0.002, 0.00079000000000000012, 2.2, step));
        ASSERT_TRUE(m);
        ASSERT_EQ(m->cell_count, automatic->cell_count);
        for (std::int32_t i = 0; i < m->cell_count; ++i) {
            EXPECT_EQ(bits(m->cells[i].center), bits(automatic->cells[i].center));
        }
    }
    EXPECT_EQ(mesh_effective_step(2.4 * mm, 10 * mm, 0.79 * mm, -1), 0.15 * (0.79 * mm));
}

TEST_F(mesh_test, lengths_that_are_not_positive_are_refused) {
    const std::vector<sink_line> refusal = {error_line(L"mesh_new(): Illegal geometric length")};
    const double good[4] = {1 * mm, 2 * mm, 1 * mm, 1 * mm}; // w1, w2, p, h
    for (int which = 0; which < 4; ++which) {
        for (double bad : {0.0, -0.0, -1 * mm, -inf}) {
            double v[4] = {good[0], good[1], good[2], good[3]};
            v[which] = bad;
            captured_lines().clear();
            EXPECT_EQ(mesh_new(v[0], v[1], -2 * mm, v[2], v[3], 0.5, 0.3 * mm), nullptr);
            EXPECT_EQ(lines(), refusal);
        }
    }
}

TEST_F(mesh_test, allocation_failures_report_two_lines_and_leave_nothing) {
    const std::vector<sink_line> failure = {error_line(L"Create configuration failed"),
                                            error_line(L"mesh_new(): not enough memory")};
    for (long k : {1, 2}) {
        captured_lines().clear();
        faults().arm(k);
        EXPECT_EQ(start_mesh(), nullptr) << k;
        EXPECT_EQ(lines(), failure);
    }
    // Counts that no 32-bit array can hold take the same path before allocating.
    for (double step : {nan, 1e-300, 4.9e-324}) {
        captured_lines().clear();
        faults().arm(0);
        EXPECT_EQ(mesh_new(1 * mm, 1 * mm, 0, 1 * mm, 1 * mm, 4, step), nullptr);
        EXPECT_EQ(lines(), failure);
        EXPECT_EQ(faults().calls.load(), 0);
    }
    for (double length : {nan, inf, 1e300}) {
        captured_lines().clear();
        EXPECT_EQ(mesh_new(1 * mm, 1 * mm, length, length, 1 * mm, 4, 0.1 * mm), nullptr);
        EXPECT_EQ(lines(), failure);
    }
}

// A NaN or infinite value passes the positivity test; every one of these cases gives a
// mesh, degenerate, but with index fields that agree with the cells written and nothing
// outside the array.
TEST_F(mesh_test, nan_and_infinite_values_keep_the_mesh_consistent) {
    const double cases[][7] = {{nan, 2 * mm, 0, 1 * mm, 1 * mm, 4, -1},
                               {1 * mm, nan, 0, 1 * mm, 1 * mm, 4, -1},
                               {1 * mm, 2 * mm, 0, 1 * mm, nan, 4, -1},
                               {1 * mm, 2 * mm, 0, 1 * mm, inf, 4, -1},
                               {1 * mm, 2 * mm, 0, 1 * mm, 1 * mm, 4, inf},
                               {1 * mm, 2 * mm, 0, 1 * mm, 1 * mm, inf, 0.3 * mm},
                               {4.9e-324, 2 * mm, 0, 1 * mm, 1 * mm, 4, -1}};
    for (const auto &c : cases) {
        mesh_ptr m(mesh_new(c[0], c[1], c[2], c[3], c[4], c[5], c[6]));
        ASSERT_TRUE(m) << c[0] << ' ' << c[1] << ' ' << c[4] << ' ' << c[5] << ' ' << c[6];
        EXPECT_EQ(m->strip1_begin, 0);
        EXPECT_LT(m->strip1_begin, m->strip2_begin);
        EXPECT_LT(m->strip2_begin, m->dielectric_begin);
        EXPECT_LE(m->dielectric_begin, m->lower_dielectric_begin);
        EXPECT_LE(m->lower_dielectric_begin, m->cell_count);
        EXPECT_LE(m->cell_count, m->capacity);
    }
}

// Found by fuzzing: an overhang far below the rounding of the slab's ends made a bare
// piece of the face a negative length, and its cells ran backwards.
TEST_F(mesh_test, an_overhang_lost_in_rounding_gives_cells_of_zero_width) {
    mesh_ptr m(mesh_new(1 * mm, 1 * mm, -5 * mm, 2.8883110013837274e-278, 1 * mm, 4, 0.35 * mm));
    ASSERT_TRUE(m);
    int zero_width = 0;
    for (std::int32_t i = 0; i < m->cell_count; ++i) {
        EXPECT_GE(m->cells[i].half_width, 0.0) << i;
        zero_width += m->cells[i].half_width == 0.0;
    }
    EXPECT_GT(zero_width, 0);
}
} // namespace
