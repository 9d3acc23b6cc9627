// The field a line's panel charges make: the coax's potential against the logarithm of
// the radius, the pair's odd and even drives against their mirror symmetry, a balanced
// twin wire at zero midway, and the microstrip's free charge against its capacitance
// from the mirrored solve.
#include "core/graded/accurate_solver.h"
#include "core/graded/line_field.h"
#include "core/graded/line_solve.h"
#include "core/graded/line_types.h"
#include "studies/field_map.h"
#include "tests/physics/validation/line_cases.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

cross_section built(const line_geometry &g) {
    cross_section xs{};
    EXPECT_TRUE(line_section(calc_env{}, g, xs));
    return xs;
}

std::vector<double> potentials(const line_field &field, const std::vector<xs_point> &points) {
    std::vector<double> out(points.size());
    EXPECT_TRUE(line_field_potentials(calc_env{}, field, points, out.data()));
    return out;
}

} // namespace

TEST(line_field, coax_potential_follows_the_logarithm_of_the_radius) {
    line_geometry g;
    g.type = line_type::coax;
    g.d_inner = 0.9e-3;
    g.d_outer = 2.95e-3;
    g.epsilon_r = 2.1;
    cross_section xs = built(g);
    calc_env env;
    line_field field(env);
    std::vector<double> volts{1.0};
    ASSERT_TRUE(line_field_solve(env, xs, 4, volts, field));
    xs_point centre = xs.rounds.front().centre;
    double a = g.d_inner / 2, b = g.d_outer / 2;
    std::vector<xs_point> points;
    std::vector<double> exact;
    for (double r : {0.5e-3, 0.8e-3, 1.1e-3, 1.4e-3}) {
        for (double angle : {0.3, 1.9, 4.0}) {
            points.push_back({centre.x + r * std::cos(angle), centre.y + r * std::sin(angle)});
            exact.push_back(std::log(b / r) / std::log(b / a));
        }
    }
    std::vector<double> v = potentials(field, points);
    for (std::size_t k = 0; k < v.size(); ++k)
        EXPECT_NEAR(v[k], exact[k], 2e-4) << k;

    // The map leaves the metal out: the inner conductor and beyond the shield.
    field_map map;
    std::wstring why;
    ASSERT_TRUE(field_map_compute(env, xs, centre.x - 2e-3, centre.y - 2e-3, centre.x + 2e-3,
                                  centre.y + 2e-3, volts, 400, map, why));
    auto at = [&](int i, int j) { return map.potential[std::size_t(j * map.nx + i)]; };
    EXPECT_TRUE(std::isnan(at(map.nx / 2, map.ny / 2)));
    EXPECT_TRUE(std::isnan(at(0, 0)));
    EXPECT_FALSE(map.charges.empty());
}

TEST(line_field, pair_drives_are_odd_and_even_and_a_twin_wire_balanced) {
    // The coated pair of the finite-volume comparison.
    line_geometry g = line_cases()[1].line;
    ASSERT_EQ(g.type, line_type::coupled_coated_microstrip);
    cross_section xs = built(g);
    std::vector<xs_point> right, left;
    for (double x : {0.05e-3, 0.3e-3, 0.7e-3}) {
        for (double y : {0.1e-3, 0.25e-3, 0.4e-3}) {
            right.push_back({x, y});
            left.push_back({-x, y});
        }
    }
    calc_env env;
    for (double sign : {-1.0, 1.0}) {
        line_field field(env);
        std::vector<double> volts{1.0, sign};
        ASSERT_TRUE(line_field_solve(env, xs, 1, volts, field));
        std::vector<double> r = potentials(field, right), l = potentials(field, left);
        for (std::size_t k = 0; k < r.size(); ++k) {
            EXPECT_NEAR(l[k], sign * r[k], 1e-9) << k;
            EXPECT_GT(std::fabs(r[k]), 1e-3);
            EXPECT_LT(std::fabs(r[k]), 1.0);
        }
    }

    line_geometry twin;
    twin.type = line_type::twin_wire;
    twin.diameter = 0.5e-3;
    twin.pitch = 1.2e-3;
    twin.epsilon_r = 1;
    cross_section wires = built(twin);
    line_field field(env);
    std::vector<double> volts{1.0};
    ASSERT_TRUE(line_field_solve(env, wires, 2, volts, field));
    xs_point a = wires.rounds[0].centre, b = wires.rounds[1].centre;
    xs_point mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
    std::vector<double> v = potentials(field, {mid, {mid.x, mid.y + 1e-3}});
    EXPECT_NEAR(v[0], 0, 1e-9);
    EXPECT_NEAR(v[1], 0, 1e-9);
}

TEST(line_field, microstrip_free_charge_is_its_capacitance) {
    line_geometry g;
    g.type = line_type::microstrip;
    g.w = 0.3e-3;
    g.t = 35e-6;
    g.h = 0.2e-3;
    g.epsilon_r = 4.4;
    cross_section xs = built(g);
    calc_env env;
    line_solution s(env);
    ASSERT_TRUE(line_solve(env, xs, 2, s));
    line_field field(env);
    std::vector<double> volts{1.0};
    ASSERT_TRUE(line_field_solve(env, xs, 2, volts, field));
    double charge = 0;
    for (std::size_t j = 0; j < field.set->panels.size(); ++j) {
        const panel_t &p = field.set->panels[j];
        if (p.kind == panel_kind::conductor && p.electrode == 0)
            charge += field.free_density[j] * p.length;
    }
    // The mirrored solve keeps an even count of panels on the segment the mirror plane
    // crosses, the whole section's field need not: the layouts differ there, by about
    // the discretisation's error at this density (a few parts in 1e6).
    EXPECT_NEAR(accurate_epsilon0 * charge / s.c[0], 1, 1e-5);
}
