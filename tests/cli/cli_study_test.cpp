// The command line's studies: --converge with its verdict and record, --sweep with its
// table, chart and failed points, --target-z0 out of reach, and the usage errors.
#include "cli/cli_exit.h"
#include "tests/support/cli_capture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using json = nlohmann::json;

} // namespace

TEST(cli_study, converge_sweep_and_synthesis_from_the_command_line) {
    cli_result converge = run({"--converge=0.1%", "--w1", "1", "--h", "1", "--p", "1"});
    EXPECT_EQ(converge.status, 0) << converge.err;
    EXPECT_EQ(converge.out.rfind("Convergence with the accurate variant, tolerance 0.1%\n", 0), 0u);
    EXPECT_NE(converge.out.find("Converged: estimated error "), std::string::npos);
    EXPECT_NE(converge.out.find(" +- "), std::string::npos);
    cli_result record = run({"--converge=0.1%", "--json", "--t", "0.035"});
    EXPECT_EQ(record.status, 0) << record.err;
    json converged = json::parse(record.out);
    EXPECT_EQ(converged["variant"], "accurate");
    EXPECT_EQ(converged["converged"], true);
    EXPECT_EQ(converged["tolerance"].get<double>(), 0.001);
    // The whole geometry, in metres.
    EXPECT_EQ(converged["t"].get<double>(), 3.500000000000001e-05);
    EXPECT_EQ(converged["w1"].get<double>(), 0.0024000000000000002);
    EXPECT_TRUE(converged["mesh_step"].is_null());
    EXPECT_GE(converged["points"].size(), 3u);

    // A tolerance that the memory allowed cannot reach: the best estimate, the reason and
    // a status of its own.
    calc_env small;
    small.memory_ceiling = std::size_t{4} << 20;
    cli_result short_of = run({"--converge=0.00001%"}, small);
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
    // With --json a study prints its record, not the table: values in metres, and the
    // reason beside a failed point.
    cli_result thick = run({"--accurate", "--json", "--sweep", "t=0:0.1:0.05"});
    EXPECT_EQ(thick.status, 0) << thick.err;
    json swept = json::parse(thick.out);
    EXPECT_EQ(swept["field"], "t");
    EXPECT_EQ(swept["points"][2]["t"].get<double>(), 0.1 * 0.001);
    EXPECT_EQ(swept["points"][2]["ok"], true);
    json failing = json::parse(run({"--json", "--sweep", "w1=-0.5:0.5:0.5"}).out);
    EXPECT_EQ(failing["points"][0]["w1"].get<double>(), -0.0005);
    EXPECT_EQ(failing["points"][0]["reason"], "ERROR: The value of `w1` must be > 0");
    EXPECT_EQ(failing["points"][2]["ok"], true);
    // A solve that will take a while is announced with its cell count before it starts.
    cli_result fine = run({"--sweep", "mesh-step=0.012:0.012:0.012"});
    EXPECT_NE(fine.err.find("mesh-step = 0.012 mm: 2348 cells, solving..."), std::string::npos)
        << fine.err;
    // Sweeping the thickness has no second thickness column.
    EXPECT_EQ(run({"--accurate", "--sweep", "t=0:0.05:0.05"}).out.substr(0, 20),
              "t,Z0,eps_eff,cells\n0");
    json found = json::parse(run({"--json", "--target-z0", "60", "--solve-for", "w1"}).out);
    EXPECT_EQ(found["found"], true);
    EXPECT_NEAR(found["value"].get<double>(), 1.8623e-3, 1e-9); // metres, on the 0.1 um grid
    EXPECT_EQ(found["solve_for"], "w1");
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
