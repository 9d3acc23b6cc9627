// Cross-section files: what a named type writes reads back as the same section, and
// each fault of a hand-written file is refused with one line naming the element.
#include "input/xs_file.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A microstrip over a plane, with one conductor entry replaced.
std::string board(const std::string &conductors, const std::string &extra = "") {
    return R"({"format": "orvanta-cross-section", "version": 1, "lower_plane": true,)" + extra +
           R"( "dielectrics": [{"epsilon_r": 4.4, "polygon": [[-0.01, 0], [0.01, 0],
               [0.01, 0.0002], [-0.01, 0.0002]]}], "conductors": [)" +
           conductors + "]}";
}

const char *trace = R"({"role": "signal", "signal": 1, "polygon": [[-0.00015, 0.0002],
    [0.00015, 0.0002], [0.00015, 0.000235], [-0.00015, 0.000235]]})";

} // namespace

TEST(xs_file, a_section_reads_back_as_written) {
    cross_section xs{};
    xs.ground_plane = true;
    xs.upper_plane = true;
    xs.upper_height = 4e-4;
    xs.background_epsilon_r = 3.2;
    xs.electrode_count = 2;
    xs.dielectrics.push_back({{{-1e-2, 0}, {1e-2, 0}, {1e-2, 1e-4}, {-1e-2, 1e-4}}, 4.1});
    xs.conductors.push_back({{{-3e-4, 2e-4}, {-1e-4, 2e-4}}, 0});
    xs.conductors.push_back({{{1e-4, 2e-4}, {3e-4, 2e-4}, {3e-4, 2.3e-4}, {1e-4, 2.3e-4}}, 1});
    xs.rounds.push_back({{0, 1e-4}, 2e-5, xs_ground, false});
    scratch dir;
    std::string error;
    std::string path = dir.file("section.json");
    ASSERT_TRUE(xs_write(path, xs, error)) << error;
    cross_section back{};
    ASSERT_TRUE(xs_read(path, back, error)) << error;
    EXPECT_EQ(xs_json(back), xs_json(xs));
    EXPECT_EQ(back.electrode_count, 2);
}

TEST(xs_file, faults_are_refused_naming_the_element) {
    struct fault {
        std::string text;
        const char *message;
    };
    std::string second_trace = R"({"role": "signal", "signal": 2, "polygon": [[0.0001, 0.0002],
        [0.0004, 0.0002], [0.0004, 0.000235], [0.0001, 0.000235]]})";
    for (const fault &f : {
             fault{board(R"({"role": "signal", "signal": 1, "polygon": [[0, 0.0002]]})"),
                   "conductors[0].polygon: is not closed"},
             fault{board(R"({"role": "signal", "signal": 1, "polygon": [[0, 0.0002], [0.001,
                   0.0003], [0.001, 0.0002], [0, 0.0003]]})"),
                   "conductors[0]: the polygon crosses itself"},
             fault{board(std::string(trace) + ", " + second_trace),
                   "conductors[1]: overlaps or touches another conductor"},
             fault{board(R"({"role": "ground", "polygon": [[0.001, 0.0002], [0.002, 0.0002]]})"),
                   "conductors: no signal conductor"},
             fault{board(trace, R"( "background_epsilon_r": 0.5,)"),
                   "background_epsilon_r: a permittivity must be 1 or more"},
             fault{R"({"format": "orvanta-cross-section", "version": 7})",
                   "version: written by a later version (7)"},
             fault{board(R"({"role": "signal", "signal": 2, "polygon": [[0, 0.0002], [0.001,
                   0.0002]]})"),
                   "signals must be numbered 1 to n: 1 is missing"},
             fault{R"({"format": "orvanta-cross-section", "version": 1, "conductors": [)" +
                       std::string(trace) + "]}",
                   "nothing holds the reference"},
             fault{"{\"format\": ", "JSON syntax error at byte"},
         }) {
        scratch dir;
        std::string path = dir.file("bad.json");
        put(path, f.text);
        cross_section out{};
        out.electrode_count = 99;
        std::string error;
        EXPECT_FALSE(xs_read(path, out, error)) << f.message;
        EXPECT_NE(error.find(f.message), std::string::npos) << error;
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
        EXPECT_EQ(out.electrode_count, 99); // untouched
    }
}
