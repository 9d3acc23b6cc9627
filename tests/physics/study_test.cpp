// The accurate variant and the studies: closed-form integrals against quadrature, smooth
// convergence, the vacuum microstrip against Hammerstad and Jensen, honest error bounds,
// synthesis, sweeps and their options.
#include "cli/cli_run.h"
#include "cli/cli_study.h"
#include "core/base/alloc.h"
#include "input/utf8.h"
#include "studies/study.h"
#include "tests/support/cli_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

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
        convergence c = study_converge(fields, 0.0005);
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
        convergence c = study_converge(fields, 0.0005);
        ASSERT_TRUE(c.converged);
        ASSERT_GT(c.order, 1.5);
        field_texts finer = fields;
        double last_step_mm = c.points.back().mesh_step * 1000;
        finer[6] = study_value_text(last_step_mm / 4);
        study_point reference = study_run(finer, solver_variant::accurate);
        ASSERT_TRUE(reference.ok);
        EXPECT_LE(std::fabs(c.z0 - reference.z0), c.z0_error) << epsilon;
        EXPECT_LE(std::fabs(c.eps_eff - reference.eps_eff), c.eps_eff_error) << epsilon;
    }
}

// The answer, typed back in, gives the target within 0.01 ohm, with either variant.
TEST(study, synthesis_reaches_the_target_or_names_the_range) {
    for (solver_variant variant : {solver_variant::specified, solver_variant::accurate}) {
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
    synthesis s = study_synthesize(start_fields(), 4, 200, solver_variant::specified);
    EXPECT_FALSE(s.found);
    EXPECT_EQ(s.searched_from, L"1.01875"); // 1 + 1.2 / 64
    EXPECT_GT(s.z0_from, s.z0_to);
    EXPECT_LT(s.z0_from, 200);
}

TEST(study, command_line_studies) {
    cli_result converge = run({"--converge=0.1%", "--w1", "1", "--h", "1", "--p", "1"});
    EXPECT_EQ(converge.status, 0) << converge.err;
    EXPECT_EQ(converge.out.rfind("Convergence with the accurate variant, tolerance 0.1%\n", 0), 0u);
    EXPECT_NE(converge.out.find("Converged: estimated error "), std::string::npos);
    EXPECT_NE(converge.out.find(" +- "), std::string::npos);
    cli_result record = run({"--converge=0.1%", "--json", "--t", "0.035"});
    EXPECT_EQ(record.status, 0) << record.err;
    EXPECT_EQ(record.out.rfind("{\n  \"variant\": \"accurate\"", 0), 0u);
    EXPECT_NE(record.out.find("\"converged\": true"), std::string::npos);
    EXPECT_NE(record.out.find("\"t\": 3.500000000000001e-05"), std::string::npos);

    // A tolerance that the memory allowed cannot reach: the best estimate, the reason and
    // a status of its own.
    core_memory_ceiling(std::size_t{4} << 20);
    cli_result short_of = run({"--converge=0.00001%"});
    core_memory_ceiling(0);
    EXPECT_EQ(short_of.status, cli_exit_not_converged) << short_of.err;
    EXPECT_NE(short_of.out.find("Not converged: estimated error "), std::string::npos);
    EXPECT_NE(short_of.out.find("stopped by Mesh too large: its "), std::string::npos);
    EXPECT_NE(short_of.out.find("Z0 = "), std::string::npos);

    std::string csv = ::testing::TempDir() + "sweep.csv", svg = ::testing::TempDir() + "sweep.svg";
    cli_result sweep = run({"--sweep", "w1=1:2:0.5", "--csv", csv, "--plot", svg});
    EXPECT_EQ(sweep.status, 0) << sweep.err;
    std::ifstream table(csv);
    std::string header, row;
    std::getline(table, header);
    EXPECT_EQ(header, "w1,Z0,eps_eff,cells,t");
    int rows = 0;
    while (std::getline(table, row))
        ++rows;
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
    EXPECT_NE(partly.out.find("0.5,,,,0\n"), std::string::npos);
    // With --json a study prints its record, not the table.
    cli_result thick = run({"--accurate", "--json", "--sweep", "t=0:0.1:0.05"});
    EXPECT_EQ(thick.status, 0) << thick.err;
    EXPECT_EQ(thick.out.rfind("{\n  \"variant\": \"accurate\",\n  \"field\": \"t\"", 0), 0u);
    EXPECT_NE(thick.out.find("{\"t\": 0.1, \"ok\": true, \"Z0\": "), std::string::npos);
    EXPECT_NE(partly.err.find("ERROR: epsilon_r must be > 1"), std::string::npos);

    cli_result unreachable = run({"--target-z0", "1000", "--solve-for", "h"});
    EXPECT_EQ(unreachable.status, 5);
    EXPECT_NE(unreachable.err.find("outside the range searched: h from "), std::string::npos);

    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{"--target-z0", "50"},
                                               {"--solve-for", "w1"},
                                               {"--target-z0", "-1", "--solve-for", "w1"},
                                               {"--target-z0", "50", "--solve-for", "p"},
                                               {"--converge", "--sweep", "w1=1:2:1"},
                                               {"--sweep", "w1=2:1:1"},
                                               {"--sweep", "w1=1:2"},
                                               {"--sweep", "x=1:2:1"},
                                               {"--converge=0"},
                                               {"--converge=5"},
                                               {"--converge=0.001"},
                                               {"--converge=100%"},
                                               {"--plot", "a.svg"},
                                               {"--t", "0.035"},
                                               {"--sweep", "t=0:0.1:0.05"}}) {
        EXPECT_EQ(run(args).status, cli_exit_usage) << args[0];
    }
}

} // namespace
