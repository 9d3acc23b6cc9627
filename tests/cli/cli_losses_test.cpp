// The command line's losses and frequencies: the record's per-frequency objects for a
// single line and a pair, the text in metres and inches, the R-L-G-C table, the
// Touchstone file and every refusal with its exit status.
#include "cli/cli_exit.h"
#include "tests/support/cli_capture.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <sstream>
#include <string>

using json = nlohmann::json;

TEST(cli_losses, the_record_holds_every_frequency) {
    cli_result r = run({"--line", "microstrip", "--frequency", "0,1GHz,10GHz", "--json"});
    ASSERT_EQ(r.status, cli_exit_result) << r.err;
    json record = json::parse(r.out);
    EXPECT_TRUE(record.contains("Z0_error")); // the lossless record stays
    ASSERT_EQ(record["frequencies"].size(), 3u);
    EXPECT_EQ(record["losses"]["conductivity"], 5.8e7);
    EXPECT_EQ(record["losses"]["dielectric_model"], "wideband-debye");
    EXPECT_EQ(record["losses"]["tan_delta"], 0.02);
    const json &dc = record["frequencies"][0];
    EXPECT_EQ(dc["f"], 0.0);
    EXPECT_TRUE(dc["eps_eff"].is_null()); // no wave at DC
    EXPECT_GT(dc["R"].get<double>(), 0);
    const json &p = record["frequencies"][2];
    for (const char *key : {"f", "R", "L", "G", "C", "Zc", "alpha_conductor", "alpha_dielectric",
                            "alpha", "beta", "eps_eff", "delay"})
        EXPECT_TRUE(p.contains(key)) << key;
    EXPECT_EQ(p["Zc"].size(), 2u); // [re, im]
    double alpha = p["alpha"].get<double>();
    EXPECT_NEAR(p["alpha_conductor"].get<double>() + p["alpha_dielectric"].get<double>(), alpha,
                1e-12 * alpha);
    // The delay is beta / omega and eps_eff (beta c / omega)^2.
    double beta = p["beta"].get<double>(), omega = 2 * M_PI * 1e10;
    EXPECT_NEAR(p["delay"].get<double>(), beta / omega, 1e-15);
    double ratio = beta * 299792458.0 / omega;
    EXPECT_NEAR(p["eps_eff"].get<double>(), ratio * ratio, 1e-12);
    // A loss tangent given moves G in proportion.
    json doubled = json::parse(
        run({"--line", "microstrip", "--frequency", "10GHz", "--tan-delta", "0.04", "--json"}).out);
    double g1 = p["G"].get<double>(), g2 = doubled["frequencies"][0]["G"].get<double>();
    EXPECT_NEAR(g2, 2 * g1, 1e-3 * g1);
}

TEST(cli_losses, a_pair_has_its_modes_and_matrices) {
    cli_result r = run({"--line", "coupled-microstrip", "--frequency", "5GHz", "--json"});
    ASSERT_EQ(r.status, cli_exit_result) << r.err;
    json record = json::parse(r.out);
    const json &p = record["frequencies"][0];
    EXPECT_EQ(p["R"].size(), 2u);
    EXPECT_EQ(p["Zc"][0][1].size(), 2u);
    EXPECT_EQ(p["Zdiff"].size(), 2u);
    ASSERT_EQ(p["modes"].size(), 2u);
    std::string names =
        p["modes"][0]["name"].get<std::string>() + p["modes"][1]["name"].get<std::string>();
    EXPECT_TRUE(names == "oddeven" || names == "evenodd") << names;
    // The differential mode is the faster one of a microstrip pair: its field lies more in
    // the air.
    int odd = p["modes"][0]["name"] == "odd" ? 0 : 1;
    EXPECT_LT(p["modes"][odd]["eps_eff"].get<double>(),
              p["modes"][1 - odd]["eps_eff"].get<double>());
    cli_result text = run({"--line", "coupled-microstrip", "--frequency", "5GHz", "--unit", "mil"});
    EXPECT_NE(text.out.find("odd (differential) mode: alpha = "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(" dB/in"), std::string::npos);
    EXPECT_NE(text.out.find("Zdiff = "), std::string::npos);
}

TEST(cli_losses, touchstone_and_table_files) {
    scratch dir;
    std::string s4p = dir.file("pair.s4p"), csv = dir.file("pair.csv");
    cli_result r = run({"--line", "coupled-coated-microstrip", "--frequency-sweep", "0:20GHz:11",
                        "--length", "25mm", "--touchstone", s4p, "--rlgc", csv});
    ASSERT_EQ(r.status, cli_exit_result) << r.err;
    std::string text = contents(s4p);
    EXPECT_NE(text.find("\n# Hz S RI R 50\n"), std::string::npos);
    EXPECT_NE(text.find("! Orvanta: S-parameters of 25 mm of Coupled coated microstrip"),
              std::string::npos);
    EXPECT_NE(text.find("port 3: conductor 1 far end"), std::string::npos);
    // Eleven frequencies of four rows each.
    std::istringstream lines(text);
    std::string line;
    int data = 0;
    while (std::getline(lines, line))
        if (!line.empty() && line[0] != '!' && line[0] != '#') ++data;
    EXPECT_EQ(data, 44);
    std::string table = contents(csv);
    EXPECT_EQ(table.substr(0, table.find('\n')).substr(0, 20), "f,R11,R12,R22,L11,L1");
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 12);
    // A reference impedance is written as given.
    std::string s2p = dir.file("line.s2p");
    ASSERT_EQ(run({"--line", "microstrip", "--frequency", "1GHz", "--length", "1in", "--touchstone",
                   s2p, "--reference-impedance", "42.5"})
                  .status,
              cli_exit_result);
    EXPECT_NE(contents(s2p).find("# Hz S RI R 42.5"), std::string::npos);
}

TEST(cli_losses, refusals) {
    struct refusal {
        std::vector<std::string> args;
        int status;
        const char *says;
    };
    scratch dir;
    // A folder that does not exist: no file can be made in it, whoever runs the test.
    std::string unwritable = dir.file("missing/x.s2p");
    const refusal cases[] = {
        {{"--frequency", "1GHz"}, cli_exit_usage, "not for the two-strip line"},
        {{"--line", "microstrip", "--frequency", "-1GHz"}, cli_exit_usage, "--frequency"},
        {{"--line", "microstrip", "--frequency", "2GHz,1GHz"}, cli_exit_usage, "must rise"},
        {{"--line", "microstrip", "--frequency", "inf"}, cli_exit_usage, "--frequency"},
        {{"--line", "microstrip", "--frequency-sweep", "0:1GHz:100001"}, cli_exit_usage, "100000"},
        {{"--line", "microstrip", "--frequency", "1GHz", "--conductivity", "-5"},
         cli_exit_usage,
         "--conductivity"},
        {{"--line", "microstrip", "--frequency", "1GHz", "--conductivity", "1e999"},
         cli_exit_usage,
         "--conductivity"},
        {{"--line", "microstrip", "--frequency", "1GHz", "--tan-delta", "-0.01"},
         cli_exit_usage,
         "--tan-delta"},
        {{"--line", "microstrip", "--frequency", "1GHz", "--roughness", "hammerstad"},
         cli_exit_refused,
         "needs --roughness-rms"},
        {{"--line", "microstrip", "--frequency", "1GHz", "--roughness", "huray", "--ball-radius",
          "0.5um"},
         cli_exit_refused,
         "--surface-ratio"},
        {{"--line", "microstrip", "--frequency", "1GHz", "--roughness", "hammerstad",
          "--roughness-rms", "-1um"},
         cli_exit_usage,
         "--roughness-rms"},
        {{"--line", "microstrip", "--tan-delta", "0.01"}, cli_exit_usage, "need --frequency"},
        {{"--line", "microstrip", "--frequency", "1GHz", "--touchstone", "x.s2p"},
         cli_exit_usage,
         "needs --length"},
        {{"--line", "microstrip", "--frequency", "1GHz", "--t", "0"},
         cli_exit_refused,
         "zero thickness"},
        {{"--line", "microstrip", "--frequency", "1GHz", "--tan-delta2", "0.01"},
         cli_exit_refused,
         "--tan-delta2"},
        {{"--line", "microstrip", "--frequency", "1GHz", "--length", "1mm", "--touchstone",
          unwritable},
         cli_exit_not_written,
         "x.s2p"},
    };
    for (const refusal &c : cases) {
        cli_result r = run(c.args);
        std::string joined;
        for (const std::string &a : c.args)
            joined += a + " ";
        EXPECT_EQ(r.status, c.status) << joined << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << joined << r.err;
    }
    EXPECT_TRUE(fs::is_empty(dir.dir));
}
