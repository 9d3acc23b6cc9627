// orvanta-cli end to end: the printed lines, the JSON record, the charge table, usage
// errors and exit codes.
#include "cli/cli_run.h"
#include "input/utf8.h"
#include "studies/text_format.h"
#include "tests/support/cli_capture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using json = nlohmann::json;

const std::string progress = "Filling matrix\nInverting matrix\nExtracting the result\n";

TEST(cli, start_values_print_the_result_list) {
    cli_result r = run({});
    EXPECT_EQ(r.status, cli_exit_result);
    EXPECT_EQ(r.out, "\tCalculator version 1.0\nMesh cells = 250\n\tcells for strips = 110\n"
                     "\tcells for dielectrics = 140\n" +
                         progress + "Effective permittivity = 1.892845\nZ0 = 50.901002 Ohm\n");
    EXPECT_EQ(r.err, "");
}

TEST(cli, microstrip_and_vacuum) {
    cli_result micro = run({"--w2", "INF", "--p=AUTO"});
    EXPECT_EQ(micro.status, cli_exit_result);
    EXPECT_EQ(micro.out,
              "\tCalculator version 1.0\nInfinite w2 (fall back to microstrip)\n"
              "Calculation with two symmetric strips\n"
              "use p = 4.740000 mm (emulation of a infinite large p)\n"
              "Mesh cells = 214\n\tcells for strips = 46\n\tcells for dielectrics = 168\n" +
                  progress + "Effective permittivity = 1.879183\nZ0 = 50.474244 Ohm\n");
    cli_result vacuum = run({"--epsilon-r", "1"});
    EXPECT_NE(vacuum.out.find("Effective permittivity = 1.000000\nZ0 = 70.029953 Ohm\n"),
              std::string::npos);
}

// A refusal goes to standard error: the calculator's own lines, then one line that names
// the option and how to write its value. Nothing reaches standard output.
TEST(cli, refusals_exit_with_1_on_standard_error) {
    const std::string length_hint =
        "refused: write a length such as 1.6 (millimetres) or with its unit: 1.6mm, 62mil, "
        "1600um or 0.063in";
    cli_result small_p = run({"--p", "0.002"});
    EXPECT_EQ(small_p.status, cli_exit_refused);
    EXPECT_EQ(small_p.out, "");
    EXPECT_EQ(small_p.err, "\tCalculator version 1.0\n2.000000e-06\n"
                           "small `p` will be supported in the next version\n"
                           "orvanta-cli: --p '0.002' " +
                               length_hint + ", or AUTO (no '+', no ',')\n");
    cli_result garbage = run({"--h", " 0x1\xff "});
    EXPECT_EQ(garbage.status, cli_exit_refused);
    EXPECT_EQ(garbage.err, "\tCalculator version 1.0\nunrecognized value:\n0x1\xef\xbf\xbd\n"
                           "orvanta-cli: --h ' 0x1\xef\xbf\xbd ' " +
                               length_hint + " (no '+', no ',')\n");
    cli_result infinite = run({"--d=1e400"});
    EXPECT_EQ(infinite.err.rfind("\tCalculator version 1.0\nERROR: The value of `d` is out of "
                                 "range\norvanta-cli: --d '1e400' refused: ",
                                 0),
              0u);
    cli_result permittivity = run({"--epsilon-r", "4,4"});
    EXPECT_NE(permittivity.err.find("orvanta-cli: --epsilon-r '4,4' refused: write a number such "
                                    "as 4.4 or 4.4e0, 1 or more"),
              std::string::npos);
}

// Every length option takes its unit after the number, converted exactly before
// validation; a bare number is millimetres and reaches validation untouched.
TEST(cli, lengths_take_their_units) {
    std::string bare = run({"--h", "1.6", "--w2", "INF"}).out;
    for (const char *same : {"1.6mm", "1600um", "1600\xc2\xb5m"})
        EXPECT_EQ(run({"--h", same, "--w2", "INF"}).out, bare) << same;
    // 62.992125984252 mil and 0.0629921259842520 in are 1.6 mm; 62 mil is 1.5748 mm.
    EXPECT_EQ(run({"--h", "1.5748", "--w2", "INF"}).out, run({"--h", "62mil", "--w2", "INF"}).out);
    EXPECT_EQ(run({"--w1", "0.254", "--w2", "INF"}).out,
              run({"--w1", "0.01in", "--w2", "INF"}).out);
    EXPECT_EQ(run({"--w2", "10mm", "--p", "AUTO"}).status, cli_exit_result);
    cli_result unknown = run({"--h", "1.6cm"});
    EXPECT_EQ(unknown.status, cli_exit_refused);
    EXPECT_NE(unknown.err.find("unrecognized value:\n1.6cm\n"), std::string::npos);
    // A unit on a number that is none stays the text it is, for validation to refuse.
    EXPECT_NE(run({"--h", "1,6mm"}).err.find("unrecognized value:\n1,6mm\n"), std::string::npos);
}

TEST(cli, json_record_reads_back_to_the_same_doubles) {
    cli_result r = run({"--json"});
    EXPECT_EQ(r.status, cli_exit_result);
    json j = json::parse(r.out);
    EXPECT_EQ(j["ok"], true);
    EXPECT_EQ(j["lines"][2], "\tcells for strips = 110");
    EXPECT_EQ(j["cell_count"], 250);
    EXPECT_EQ(j["strip_cells"], 110);
    EXPECT_EQ(j["dielectric_cells"], 140);
    EXPECT_EQ(j["mesh_step"].get<double>(), 0.00011850000000000001);
    EXPECT_EQ(j["Z0"].get<double>(), 50.901002319348642);
    EXPECT_EQ(j["C0"].get<double>(), 4.7598679884301992e-11);
    EXPECT_EQ(j["eps_eff"].get<double>(), 9.0096913594702302e-11 / 4.7598679884301992e-11);
    EXPECT_EQ(j["w1"].get<double>(), 0.0024000000000000002);
    EXPECT_EQ(j["t"].get<double>(), 0.0);
    EXPECT_FALSE(j.contains("mirrored"));
    EXPECT_FALSE(j.contains("reason"));

    // A microstrip is described as entered: its own h, no w2, its own C and C0 (twice
    // the mirrored pair's) and Z0; the pair that was solved has a key of its own.
    json m = json::parse(run({"--json", "--w2", "INF"}).out);
    EXPECT_EQ(m["microstrip"], true);
    EXPECT_TRUE(m["w2"].is_null());
    const json &pair = m["mirrored"];
    EXPECT_EQ(pair["h"].get<double>(), 2 * m["h"].get<double>());
    EXPECT_EQ(pair["w2"], m["w1"]);
    EXPECT_EQ(m["C"].get<double>(), 2 * pair["C"].get<double>());
    EXPECT_EQ(m["C0"].get<double>(), 2 * pair["C0"].get<double>());
    EXPECT_EQ(m["Z0"].get<double>(), pair["Z0"].get<double>() * 0.5);
    // A refused run's record says why; the refusal itself goes to standard error.
    cli_result refused = run({"--json", "--p", "0"});
    EXPECT_EQ(refused.status, cli_exit_refused);
    json no = json::parse(refused.out);
    EXPECT_EQ(no["ok"], false);
    EXPECT_TRUE(no["Z0"].is_null());
    EXPECT_EQ(no["reason"], "small `p` will be supported in the next version");
    EXPECT_EQ(refused.err.rfind("\tCalculator version 1.0\n0.000000e+00\n", 0), 0u);
}

TEST(cli, charge_table_has_one_row_per_cell) {
    std::string path = testing::TempDir() + "orvanta_charges.csv";
    cli_result r = run({"--charges", path});
    EXPECT_EQ(r.status, cli_exit_result);
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(line, "index,face,kind,center,half_width,free_charge,total_charge");
    std::vector<std::string> rows;
    while (std::getline(file, line))
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 250u);
    EXPECT_EQ(rows[0].rfind("0,top,strip,", 0), 0u);
    EXPECT_EQ(rows[23].rfind("23,bottom,strip,", 0), 0u);
    EXPECT_EQ(rows[110].rfind("110,top,dielectric,", 0), 0u);
    EXPECT_EQ(rows[249].rfind("249,bottom,dielectric,", 0), 0u);
    std::remove(path.c_str());

    cli_result unwritable = run({"--charges", "/nonexistent/dir/charges.csv"});
    EXPECT_EQ(unwritable.status, cli_exit_not_written);
    EXPECT_NE(unwritable.err.find("cannot write '/nonexistent/dir/charges.csv'"),
              std::string::npos);
}

TEST(cli, usage_errors_exit_with_2) {
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"--w3", "1"}, {"--w1"}, {"--json=yes"}, {"-h"}, {"--charges="}, {"stray"}}) {
        cli_result r = run(args);
        EXPECT_EQ(r.status, cli_exit_usage) << args[0];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Try 'orvanta-cli --help'"), std::string::npos);
    }
    EXPECT_EQ(run({"--help"}).out.rfind("Usage: orvanta-cli", 0), 0u);
    EXPECT_EQ(run({"--version"}).out, "orvanta-cli 1.0\n");
}

// A singular or failed solve exits with 3 and prints no result from missing data.
TEST(cli, failed_calculation_exits_with_3) {
    cli_result r = run({"--mesh-step", "1e-30"});
    EXPECT_EQ(r.status, cli_exit_failed);
    EXPECT_EQ(r.out, "\tCalculator version 1.0\nCreate configuration failed\n"
                     "mesh_new(): not enough memory\n");
}

// What a shell can hand over: every text gets the validation's own answer and a non-zero
// status, never a crash or a silent reading of part of it.
TEST(cli, hostile_texts_are_refused_with_their_lines) {
    const std::string head = "\tCalculator version 1.0\n";
    const std::string unrecognized = head + "unrecognized value:\n";
    const struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"--w1", "\xff\xfe"
                  "2"},
         unrecognized + "\xef\xbf\xbd\xef\xbf\xbd"
                        "2\n"},
        {{"--w1", "2\xc3"}, unrecognized + "2\xef\xbf\xbd\n"},
        {{"--w1", "1" + std::string(99999, '0')},
         head + "ERROR: The value of `w1` is out of range\n"},
        {{"--w1", std::string(100000, ' ') + "5"}, unrecognized + "\n"},
        {{"--h", std::string(99999, '7') + "x"},
         head + "ERROR: The value of `h` is out of range\n"},
        {{"--w1", "\x01"
                  "5"},
         unrecognized + "\x01"
                        "5\n"},
        {{"--w1", "\v5\f"}, unrecognized + "\v5\f\n"},
        {{"--w1", " \t\r\n "}, unrecognized + "\n"},
        {{"--w1", ""}, unrecognized + "\n"},
        {{"--w1", "2,4"}, unrecognized + "2,4\n"},
        {{"--w1", "\xd9\xa2"}, unrecognized + "\xd9\xa2\n"}, // ARABIC-INDIC DIGIT TWO
        {{"--w2", "INF "}, unrecognized + "INF\n"},
        {{"--w2", "infinity"}, unrecognized + "infinity\n"},
        {{"--w2", "nan"}, unrecognized + "nan\n"},
        {{"--epsilon-r", "NaN"}, unrecognized + "NaN\n"},
        {{"--p", "AUTO\t"}, unrecognized + "AUTO\n"},
        {{"--mesh-step", "-inf"}, unrecognized + "-inf\n"},
        {{"--d", "0x10"}, unrecognized + "0x10\n"},
    };
    for (const auto &c : cases) {
        cli_result r = run(c.args);
        EXPECT_EQ(r.status, cli_exit_refused) << c.args[0] << " " << c.args[1].substr(0, 20);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, c.out.size()), c.out)
            << c.args[0] << " " << c.args[1].substr(0, 20);
        EXPECT_EQ(r.err.substr(c.out.size(), 14 + c.args[0].size()),
                  "orvanta-cli: " + c.args[0] + " ");
    }
    // Keywords in any letter case are keywords.
    EXPECT_EQ(run({"--p", "Auto", "--w2", "iNf"}).status, cli_exit_result);
}

// A step whose matrices the machine cannot hold is refused at once with the memory
// lines, before anything large is touched.
TEST(cli, a_mesh_beyond_memory_is_refused_quickly) {
    cli_result r = run({"--mesh-step", "0.00005"});
    EXPECT_EQ(r.status, cli_exit_failed);
    EXPECT_NE(r.out.find("Mesh cells = "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("not enough memory"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 19), "Calculation failed\n");
}

TEST(cli, formats) {
    EXPECT_EQ(format_double(0.1), "0.10000000000000001");
    EXPECT_EQ(format_double(-0.0), "-0");
    EXPECT_EQ(format_double(1.0 / 0.0), "null");
    EXPECT_EQ(utf8_to_wide("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"), L"\u00e9\u20ac\U0001F600");
    // Overlong forms, surrogates and stray continuation bytes become U+FFFD.
    EXPECT_EQ(utf8_to_wide("\xc0\xaf\xed\xa0\x80\x80"), L"\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd");
    EXPECT_EQ(wide_to_utf8(L"\u00e9\U0001F600"), "\xc3\xa9\xf0\x9f\x98\x80");
}

} // namespace
