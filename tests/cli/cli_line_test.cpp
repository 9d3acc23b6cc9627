// The command line of the line types: the result with its error by default, the options
// each type takes and the ones it refuses by name, lengths in any unit, the records of a
// single line and of a pair, sweeps and syntheses for every kind of target.
#include "cli/cli_exit.h"
#include "tests/support/cli_capture.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <string>

using json = nlohmann::json;

TEST(cli_line, every_type_states_its_error_by_default) {
    for (const char *type :
         {"microstrip", "coated-microstrip", "embedded-microstrip", "stripline", "cpw", "gcpw",
          "coupled-microstrip", "coupled-coated-microstrip", "coupled-stripline",
          "broadside-stripline", "coupled-gcpw", "coax", "twin-wire"}) {
        cli_result r = run({"--line", type, "--json"});
        ASSERT_EQ(r.status, cli_exit_result) << type << r.err;
        json record = json::parse(r.out);
        EXPECT_EQ(record["line"], type);
        EXPECT_TRUE(record["converged"].get<bool>()) << type;
        bool pair = record.contains("Zdiff");
        const char *headline = pair ? "Zdiff" : "Z0";
        double value = record[headline].get<double>();
        double error = record[std::string(headline) + "_error"].get<double>();
        EXPECT_GT(value, 10) << type;
        EXPECT_GT(error, 0) << type;
        EXPECT_LE(error, 5e-4 * value) << type;
        if (pair) {
            for (const char *key :
                 {"C_matrix", "L_matrix", "Zc_matrix", "modes", "Zodd", "Zeven", "Zcommon",
                  "eps_eff_odd", "eps_eff_even", "coupling", "Zcommon_error", "coupling_error"})
                EXPECT_TRUE(record.contains(key)) << type << " " << key;
            EXPECT_EQ(record["modes"].size(), 2u);
        } else {
            for (const char *key : {"eps_eff", "delay", "C", "L", "eps_eff_error", "delay_error"})
                EXPECT_TRUE(record.contains(key)) << type << " " << key;
        }
    }
    // The text lines: the figures with their errors; a single solve says it has none.
    cli_result text = run({"--line", "coupled-microstrip"});
    EXPECT_NE(text.out.find("Zdiff = "), std::string::npos);
    EXPECT_NE(text.out.find(" +- "), std::string::npos);
    EXPECT_NE(text.out.find("Zodd = "), std::string::npos);
    cli_result single = run({"--line", "microstrip", "--single"});
    EXPECT_EQ(single.status, cli_exit_result);
    EXPECT_NE(single.out.find("Single solve (no error estimate)"), std::string::npos);
    EXPECT_EQ(single.out.find(" +- "), std::string::npos);
}

TEST(cli_line, options_are_refused_by_name_and_type) {
    cli_result g = run({"--line", "microstrip", "--g", "0.1"});
    EXPECT_EQ(g.status, cli_exit_usage);
    EXPECT_NE(g.err.find("--g applies to cpw, gcpw and coupled-gcpw, not to microstrip"),
              std::string::npos)
        << g.err;
    cli_result two_strip = run({"--line", "stripline", "--w1", "1"});
    EXPECT_NE(two_strip.err.find("--w1 belongs to the two-strip line"), std::string::npos);
    // The two-strip line by name is the default run, unchanged.
    EXPECT_EQ(run({"--line", "two-strip", "--w1", "3"}).out, run({"--w1", "3"}).out);
    cli_result type = run({"--line", "slotline"});
    EXPECT_EQ(type.status, cli_exit_usage);
    EXPECT_NE(type.err.find("is no line type"), std::string::npos);
    cli_result text = run({"--line", "microstrip", "--w", "1,2"});
    EXPECT_EQ(text.status, cli_exit_refused);
    EXPECT_NE(text.err.find("--w '1,2' refused"), std::string::npos) << text.err;
    // Geometries that cannot be built say why, before any solve.
    struct bad {
        std::vector<std::string> args;
        const char *reason;
    };
    for (const bad &b : {bad{{"--line", "microstrip", "--etch", "0.2"}, "--etch"},
                         bad{{"--line", "embedded-microstrip", "--cover", "0.01"}, "--cover"},
                         bad{{"--line", "coupled-microstrip", "--s", "0"}, "--s"},
                         bad{{"--line", "twin-wire", "--pitch", "0.4"}, "--pitch"},
                         bad{{"--line", "stripline", "--epsilon-r2", "0.5"}, "--epsilon-r2"}}) {
        cli_result r = run(b.args);
        EXPECT_EQ(r.status, cli_exit_refused) << b.reason;
        EXPECT_NE(r.err.find(b.reason), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("density"), std::string::npos) << b.reason;
    }
    EXPECT_EQ(run({"--line", "gcpw", "--target-zdiff", "90", "--solve-for", "w"}).status,
              cli_exit_usage);
}

TEST(cli_line, lengths_in_any_unit_give_the_same_line) {
    auto z0 = [](std::vector<std::string> args) {
        args.insert(args.end(), {"--line", "microstrip", "--single", "--json"});
        cli_result r = run(args);
        EXPECT_EQ(r.status, cli_exit_result) << r.err;
        return json::parse(r.out)["Z0"].get<double>();
    };
    double mm = z0({"--w", "0.254", "--h", "0.127", "--t", "0.0254"});
    EXPECT_EQ(z0({"--unit", "mil", "--w", "10", "--h", "5", "--t", "1"}), mm);
    EXPECT_EQ(z0({"--w", "10mil", "--h", "127um", "--t", "0.001in"}), mm);
    EXPECT_EQ(z0({"--unit", "um", "--w", "254", "--h", "127", "--t", "25.4"}), mm);
    cli_result mils = run({"--line", "microstrip", "--unit", "mil", "--single"});
    EXPECT_NE(mils.out.find("ps/in"), std::string::npos);
}

TEST(cli_line, sweeps_and_syntheses_of_any_option) {
    cli_result sweep =
        run({"--line", "coupled-microstrip", "--single", "--sweep", "s=0.1:0.3:0.1"});
    ASSERT_EQ(sweep.status, cli_exit_result) << sweep.err;
    EXPECT_EQ(sweep.out.rfind("s,Zdiff,Zdiff_error,Zcommon", 0), 0u) << sweep.out;
    EXPECT_EQ(std::count(sweep.out.begin(), sweep.out.end(), '\n'), 4);

    // A pair solved for its differential impedance: the value found gives it.
    cli_result zdiff = run(
        {"--line", "coupled-microstrip", "--target-zdiff", "100", "--solve-for", "s", "--json"});
    ASSERT_EQ(zdiff.status, cli_exit_result) << zdiff.err;
    json found = json::parse(zdiff.out);
    EXPECT_TRUE(found["found"].get<bool>());
    EXPECT_NEAR(found["result"]["Zdiff"].get<double>(), 100, 0.05);
    cli_result z0 = run({"--line", "stripline", "--target-z0", "50", "--solve-for", "w"});
    EXPECT_EQ(z0.status, cli_exit_result) << z0.err;
    EXPECT_NE(z0.out.find("w = "), std::string::npos);
    cli_result unreachable =
        run({"--line", "microstrip", "--target-z0", "5000", "--solve-for", "epsilon-r"});
    EXPECT_EQ(unreachable.status, cli_exit_unreachable);
    EXPECT_NE(unreachable.err.find("outside the range searched"), std::string::npos);
}

TEST(cli_line, cross_sections_and_designs_reproduce_the_line) {
    scratch dir;
    std::string xs = dir.file("pair.json"), saved = dir.file("pair.orvanta");
    cli_result named = run({"--line", "coupled-coated-microstrip", "--s", "0.15", "--json",
                            "--save-xs", xs, "--save-design", saved});
    ASSERT_EQ(named.status, cli_exit_result) << named.err;
    json a = json::parse(named.out);
    // The file holds the whole section: solved in full instead of by halves, the same
    // line within the errors both state.
    cli_result file = run({"--xs", xs, "--json"});
    ASSERT_EQ(file.status, cli_exit_result) << file.err;
    json b = json::parse(file.out);
    EXPECT_EQ(b["line"], "cross-section");
    EXPECT_NEAR(b["Zdiff"].get<double>(), a["Zdiff"].get<double>(),
                a["Zdiff_error"].get<double>() + b["Zdiff_error"].get<double>());
    // The design brings back the type and its options: the same solves, bit for bit.
    cli_result design = run({"--design", saved, "--json"});
    ASSERT_EQ(design.status, cli_exit_result) << design.err;
    EXPECT_EQ(json::parse(design.out)["Zdiff"], a["Zdiff"]);
    // A file is computed as it is: an option beside it would be ignored, so it is refused.
    EXPECT_EQ(run({"--xs", xs, "--s", "0.3"}).status, cli_exit_usage);
    EXPECT_EQ(run({"--xs", xs, "--line", "microstrip"}).status, cli_exit_usage);
    put(dir.file("bad.json"), R"({"format": "orvanta-cross-section", "version": 1})");
    cli_result bad = run({"--xs", dir.file("bad.json")});
    EXPECT_EQ(bad.status, cli_exit_refused);
    EXPECT_NE(bad.err.find("bad.json: conductors: no signal conductor"), std::string::npos)
        << bad.err;
}
