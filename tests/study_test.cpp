// The accurate variant and the studies: closed-form integrals against quadrature, smooth
// convergence, the vacuum microstrip against Hammerstad and Jensen, honest error bounds,
// synthesis, sweeps and their options.
#include "cli_capture.h"
#include "cli_run.h"
#include "exact_kernels.h"
#include "mesh.h"
#include "solver.h"
#include "study.h"
#include "utf8.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Composite Simpson with many panels; the integrands are smooth on the cells used.
double simpson(auto g, double a, double b, int panels = 20000) {
    double h = (b - a) / panels, sum = g(a) + g(b);
    for (int k = 1; k < panels; ++k)
        sum += g(a + k * h) * (k % 2 ? 4 : 2);
    return sum * h / 3;
}

TEST(accurate_variant, closed_form_integrals_match_quadrature) {
    const cell_t cell{0.3e-3, 0.05e-3};
    const double h = 0.79e-3;
    for (double xi : {-2e-3, 0.0, 0.2e-3, 0.4e-3, 5e-3}) {
        double same = simpson([&](double x) { return std::log(std::fabs(x - xi)); },
                              cell.center - cell.half_width, cell.center + cell.half_width);
        double potential = simpson([&](double x) { return std::log(std::sqrt((x - xi) * (x - xi) + h * h)); },
                                   cell.center - cell.half_width, cell.center + cell.half_width);
        double field = simpson([&](double x) { return h / ((x - xi) * (x - xi) + h * h); },
                               cell.center - cell.half_width, cell.center + cell.half_width);
        exact_pair pair = exact_opposite_face(xi, cell, h);
        // The same-face integrand is singular inside the cell; Simpson is only used off it.
        if (std::fabs(xi - cell.center) > cell.half_width) {
            EXPECT_NEAR(exact_same_face(xi, cell), same, 1e-12 * std::fabs(same)) << xi;
        }
        EXPECT_NEAR(pair.potential, potential, 1e-12 * std::fabs(potential)) << xi;
        EXPECT_NEAR(pair.field, field, 1e-12) << xi;
        EXPECT_EQ(exact_field(xi, cell, h), pair.field);
    }
    // At its own centre: the self term 2a (ln a - 1).
    const cell_t own{0, 1e-4};
    EXPECT_NEAR(exact_same_face(0, own), 2e-4 * (std::log(1e-4) - 1), 1e-18);
}

double accurate_z0(double step, double *eps_eff = nullptr) {
    mesh_ptr m(mesh_new_graded(2.4e-3, 10e-3, 0, 2e-3, 0.79e-3, 2.2, step));
    double capacitances[2];
    double z0 = solve_line_variant(m.get(), variant_accurate, nullptr, nullptr, capacitances);
    if (eps_eff) *eps_eff = capacitances[1] / capacitances[0];
    return z0;
}

// Halving the step moves Z0 and the effective permittivity one way, each time less.
TEST(accurate_variant, refinement_is_monotone_with_shrinking_differences) {
    std::vector<double> z, e;
    for (double step : {0.2e-3, 0.1e-3, 0.05e-3, 0.025e-3}) {
        double eps;
        z.push_back(accurate_z0(step, &eps));
        e.push_back(eps);
    }
    for (std::size_t k = 2; k < z.size(); ++k) {
        double dz1 = z[k - 1] - z[k - 2], dz2 = z[k] - z[k - 1];
        double de1 = e[k - 1] - e[k - 2], de2 = e[k] - e[k - 1];
        EXPECT_GT(dz1 * dz2, 0) << k;
        EXPECT_LT(std::fabs(dz2), std::fabs(dz1)) << k;
        EXPECT_GT(de1 * de2, 0) << k;
        EXPECT_LT(std::fabs(de2), std::fabs(de1)) << k;
    }
}

TEST(accurate_variant, graded_segments_keep_the_mesh_layout) {
    mesh_ptr m(mesh_new_graded(1e-3, 2e-3, 0.5e-3, 1e-3, 1e-3, 4, 0.3e-3));
    ASSERT_TRUE(m);
    // ceil(1.5 * 1 / 0.3): the quotient rounds just above 5.
    EXPECT_EQ(m->strip2_begin, 6);
    EXPECT_LE(m->cell_count, m->capacity);
    // The top strip [0, 1] mm: contiguous, symmetric, finest at its ends.
    const cell_t *c = m->cells;
    EXPECT_DOUBLE_EQ(c[0].center - c[0].half_width, 0.0);
    EXPECT_DOUBLE_EQ(c[5].center + c[5].half_width, 1e-3);
    EXPECT_NEAR(c[0].half_width, c[5].half_width, 1e-18);
    EXPECT_LT(c[0].half_width, c[1].half_width);
    EXPECT_LT(c[1].half_width, c[2].half_width);
    for (int i = 1; i < 6; ++i)
        EXPECT_NEAR(c[i - 1].center + c[i - 1].half_width, c[i].center - c[i].half_width, 1e-18);
}

field_texts start_fields() {
    return {L"2.4", L"10", L"0.79", L"0.0", L"2.2", L"2.0", L"AUTO"};
}

// In vacuum a microstrip's Z0 has a closed form good to 0.01% for w/h <= 1 and 0.03%
// up to 1000 (Hammerstad and Jensen); the converged estimate must agree within 0.1%
// and cover the formula within its stated error plus the formula's own.
TEST(accurate_variant, vacuum_microstrip_agrees_with_hammerstad_jensen) {
    for (double u : {0.5, 1.0, 2.0, 5.0}) {
        field_texts fields = start_fields();
        fields[0] = study_value_text(u * 0.79);
        fields[1] = L"INF";
        fields[4] = L"1";
        convergence c = study_converge(fields, variant_accurate, 0.0005);
        ASSERT_TRUE(c.converged) << u;
        double f = 6 + (2 * M_PI - 6) * std::exp(-std::pow(30.666 / u, 0.7528));
        double eta0 = 376.730313668;
        double reference = eta0 / (2 * M_PI) * std::log(f / u + std::sqrt(1 + 4 / (u * u)));
        EXPECT_NEAR(c.z0, reference, 0.001 * reference) << u;
        EXPECT_LE(std::fabs(c.z0 - reference), c.z0_error + 0.0003 * reference) << u;
    }
}

// The stated error covers the difference to a mesh refined twice more than the last.
TEST(accurate_variant, convergence_error_covers_two_more_refinements) {
    for (const wchar_t *epsilon : {L"1", L"4"}) {
        field_texts fields = start_fields();
        fields[0] = L"1";
        fields[1] = L"2";
        fields[2] = L"1";
        fields[4] = epsilon;
        fields[5] = L"1";
        fields[6] = L"0.2";
        convergence c = study_converge(fields, variant_accurate, 0.0005);
        ASSERT_TRUE(c.converged);
        ASSERT_GT(c.order, 1.5);
        field_texts finer = fields;
        double last_step_mm = c.points.back().mesh_step * 1000;
        finer[6] = study_value_text(last_step_mm / 4);
        study_point reference = study_run(finer, variant_accurate);
        ASSERT_TRUE(reference.ok);
        EXPECT_LE(std::fabs(c.z0 - reference.z0), c.z0_error) << epsilon;
        EXPECT_LE(std::fabs(c.eps_eff - reference.eps_eff), c.eps_eff_error) << epsilon;
    }
}

// The answer, typed back in, gives the target within 0.01 ohm, with either variant.
TEST(study, synthesis_reaches_the_target_or_names_the_range) {
    for (solver_variant variant : {variant_specified, variant_accurate}) {
        synthesis s = study_synthesize(start_fields(), 0, 50, variant);
        ASSERT_TRUE(s.found);
        field_texts fields = start_fields();
        fields[0] = s.best.value;
        study_point again = study_run(fields, variant);
        ASSERT_TRUE(again.ok);
        EXPECT_EQ(again.z0, s.best.z0);
        EXPECT_NEAR(again.z0, 50, 0.01);
    }
    // Permittivity: Z0 falls as it grows; 200 ohm is out of reach.
    synthesis s = study_synthesize(start_fields(), 4, 200, variant_specified);
    EXPECT_FALSE(s.found);
    EXPECT_EQ(s.searched_from, L"1.01875"); // 1 + 1.2 / 64
    EXPECT_GT(s.z0_from, s.z0_to);
    EXPECT_LT(s.z0_from, 200);
}

TEST(study, command_line_studies) {
    cli_result converge = run({"--converge=0.1%", "--w1", "1", "--h", "1", "--p", "1"});
    EXPECT_EQ(converge.status, 0) << converge.err;
    EXPECT_EQ(converge.out.rfind("Convergence with the accurate variant, tolerance 0.1%\n", 0), 0u);
    EXPECT_NE(converge.out.find("Converged: the last two solves agree within 0.1%"), std::string::npos);
    EXPECT_NE(converge.out.find(" +- "), std::string::npos);

    std::string csv = ::testing::TempDir() + "sweep.csv", svg = ::testing::TempDir() + "sweep.svg";
    cli_result sweep = run({"--sweep", "w1=1:2:0.5", "--csv", csv, "--plot", svg});
    EXPECT_EQ(sweep.status, 0) << sweep.err;
    std::ifstream table(csv);
    std::string header, row;
    std::getline(table, header);
    EXPECT_EQ(header, "w1,Z0,eps_eff,cells");
    int rows = 0;
    while (std::getline(table, row)) ++rows;
    EXPECT_EQ(rows, 3);
    std::stringstream chart;
    chart << std::ifstream(svg).rdbuf();
    EXPECT_NE(chart.str().find("<polyline"), std::string::npos);
    EXPECT_NE(chart.str().find("w1 (mm)"), std::string::npos);
    EXPECT_NE(chart.str().find("Z0 (Ohm)"), std::string::npos);

    // A refused field is refused as in one calculation; a value of the sweep that fails
    // leaves an empty row and says why.
    cli_result refused = run({"--converge", "--w1", "+5"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("unrecognized value:\n+5\n"), std::string::npos);
    cli_result partly = run({"--sweep", "epsilon-r=0.5:1:0.5"});
    EXPECT_EQ(partly.status, 0);
    EXPECT_NE(partly.out.find("0.5,,,\n"), std::string::npos);
    EXPECT_NE(partly.err.find("ERROR: epsilon_r must be > 1"), std::string::npos);

    cli_result unreachable = run({"--target-z0", "1000", "--solve-for", "h"});
    EXPECT_EQ(unreachable.status, 5);
    EXPECT_NE(unreachable.err.find("outside the range searched: h from "), std::string::npos);

    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"--target-z0", "50"}, {"--solve-for", "w1"}, {"--target-z0", "-1", "--solve-for", "w1"},
             {"--target-z0", "50", "--solve-for", "p"}, {"--converge", "--sweep", "w1=1:2:1"},
             {"--sweep", "w1=2:1:1"}, {"--sweep", "w1=1:2"}, {"--sweep", "x=1:2:1"},
             {"--converge=0"}, {"--plot", "a.svg"}}) {
        EXPECT_EQ(run(args).status, cli_exit_usage) << args[0];
    }
}

} // namespace
