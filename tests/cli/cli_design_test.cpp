// The command line's design files: --save-design and --design reproduce a run bit for
// bit, options beside a design override it, and bad designs are refused by name.
#include "tests/support/cli_capture.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The "Z0" member of a JSON record, as printed.
std::string z0_member(const std::string &json) {
    std::size_t at = json.find("\n  \"Z0\": ");
    return at == std::string::npos ? "" : json.substr(at, json.find('\n', at + 1) - at);
}

} // namespace

TEST(cli, saved_design_reproduces_the_same_z0_and_options_beside_it_override) {
    scratch s;
    std::string path = s.file("line.orvanta");
    cli_result saved =
        run({"--save-design", path, "--w1", "1.7", "--accurate", "--t", "0.035", "--json"});
    ASSERT_EQ(saved.status, 0) << saved.err;
    cli_result again = run({"--design", path, "--json"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_FALSE(z0_member(saved.out).empty());
    EXPECT_EQ(z0_member(again.out), z0_member(saved.out));
    EXPECT_NE(again.out.find("\"variant\": \"accurate\""), std::string::npos);
    // An option beside the design wins, wherever it stands.
    cli_result wider = run({"--w1", "2.4", "--design", path, "--json"});
    cli_result plain = run({"--accurate", "--t", "0.035", "--json"});
    EXPECT_EQ(z0_member(wider.out), z0_member(plain.out));
    // The specified variant's run reproduces too.
    ASSERT_EQ(run({"--save-design", path, "--h", "1.6", "--json"}).status, 0);
    EXPECT_EQ(z0_member(run({"--design", path, "--json"}).out),
              z0_member(run({"--h", "1.6", "--json"}).out));
}

TEST(cli, bad_designs_exit_1_naming_the_file_and_refused_fields_save_nothing) {
    scratch s;
    std::string path = s.file("broken.orvanta");
    put(path, "{\"format\": ");
    cli_result broken = run({"--design", path});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.err.rfind("orvanta-cli: " + path + ": not a design file", 0), 0u)
        << broken.err;
    EXPECT_TRUE(broken.out.empty());
    cli_result refused = run({"--save-design", s.file("never.orvanta"), "--w1", "-1"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_FALSE(fs::exists(s.file("never.orvanta")));
    cli_result unwritable = run({"--save-design", s.file("no/dir/x.orvanta")});
    EXPECT_EQ(unwritable.status, 4);
    EXPECT_NE(unwritable.err.find("x.orvanta: cannot write"), std::string::npos);
    EXPECT_EQ(run({"--design"}).status, 2);
}
