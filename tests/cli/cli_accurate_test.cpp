// The command line's accurate variant: the thickness validated and refused by name, and
// a mesh beyond the memory refused with its size.
#include "cli/cli_exit.h"
#include "tests/support/cli_capture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

// The thickness is read like every field and refused naming itself; without the
// accurate variant it is a usage error, since the flat-strip mesh cannot model it.
TEST(accurate_cli, thickness_is_validated_and_needs_the_accurate_variant) {
    cli_result thick = run({"--accurate", "--t", "0.035", "--json"});
    EXPECT_EQ(thick.status, 0) << thick.err;
    nlohmann::json record = nlohmann::json::parse(thick.out);
    EXPECT_EQ(record["t"].get<double>(), 3.500000000000001e-05);
    EXPECT_EQ(record["variant"], "accurate");
    struct refusal {
        const char *value;
        const char *line;
    };
    for (refusal r : {refusal{"-0.01", "ERROR: The value of `t` must be >= 0"},
                      {"1e999", "ERROR: The value of `t` is out of range"},
                      {"0.8", "ERROR: The strip thickness `t` must not exceed `h`"},
                      {"abc", "unrecognized value of `t`:\nabc\n"}}) {
        cli_result refused = run({"--accurate", "--t", r.value});
        EXPECT_EQ(refused.status, cli_exit_refused) << r.value;
        EXPECT_NE(refused.err.find(r.line), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("orvanta-cli: --t '"), std::string::npos) << refused.err;
    }
    cli_result tiny = run({"--accurate", "--t", "1e-9"});
    EXPECT_EQ(tiny.status, cli_exit_failed);
    EXPECT_NE(tiny.out.find("too small to mesh"), std::string::npos);

    cli_result specified = run({"--t", "0.035"});
    EXPECT_EQ(specified.status, cli_exit_usage);
    EXPECT_NE(specified.err.find("needs the accurate variant"), std::string::npos);
    EXPECT_EQ(run({"--t", "0"}).status, cli_exit_result);
}

// A mesh beyond the memory available is refused with its size and the memory it needs.
TEST(accurate_cli, over_large_mesh_is_refused_with_its_size) {
    calc_env small;
    small.memory_ceiling = std::size_t{1} << 20;
    cli_result big = run({"--accurate", "--mesh-step", "0.001"}, small);
    EXPECT_EQ(big.status, cli_exit_failed);
    EXPECT_NE(big.out.find("Mesh too large: its "), std::string::npos) << big.out;
    EXPECT_NE(big.out.find(" MB of memory, "), std::string::npos);
    EXPECT_EQ(big.out.find("not enough memory"), std::string::npos);
}
