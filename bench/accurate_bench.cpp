// Benchmark of the accurate variant: the command-line runs whose times matter to a user
// (one solve, the convergence studies, the synthesis of a narrow strip), each the best
// of a few repetitions in this process, and the peak memory of one solve against the
// 8 N^2 bytes of its system matrix.
#include "cli/cli_run.h"
#include "core/base/alloc.h"
#include "core/base/params.h"
#include "core/graded/accurate_solver.h"
#include "core/graded/cross_section.h"
#include "core/graded/graded_job.h"
#include "core/graded/panels.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The best wall time of a few runs of the command line with these arguments, in seconds,
// with its exit status; the output goes to a scratch file.
double time_cli(const std::vector<const char *> &arguments, int &status) {
    std::vector<const char *> argv{"orvanta-cli"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    double best = 1e300;
    for (int repeat = 0; repeat < 3; ++repeat) {
        std::FILE *out = std::tmpfile(), *err = std::tmpfile();
        auto start = std::chrono::steady_clock::now();
        status = cli_run(int(argv.size()), argv.data(), out, err);
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, seconds);
        std::fclose(out);
        std::fclose(err);
    }
    return best;
}

struct timed_run {
    const char *what;
    std::vector<const char *> arguments;
};

// The peak of one solve's core blocks against 8 N^2 bytes for N unknowns.
void report_memory(const char *what, const calc_params &params, double density) {
    calc_env quiet;
    cross_section section;
    xs_line(quiet, params, section);
    panels_ptr set(panels_new(quiet, section, density, 1 << 30));
    double n = double(set->panels.size());
    core_alloc_reset_peak();
    std::size_t before = core_alloc_peak_bytes();
    accurate_solution solution(quiet);
    accurate_solve(quiet, set.get(), &solution);
    double peak = double(core_alloc_peak_bytes() - before);
    std::printf("%-44s %6.0f unknowns  peak %7.1f MB = %.3f x 8 N^2\n", what, n, peak / 1048576,
                peak / (8 * n * n));
}

} // namespace

int main() {
    const std::vector<timed_run> runs = {
        {"one solve, start geometry", {"--accurate"}},
        {"--converge (0.05%), start geometry", {"--accurate", "--converge"}},
        {"--converge=0.001%, start geometry", {"--accurate", "--converge=0.001%"}},
        {"one solve, 2882 unknowns (d 0.5, step 0.016)",
         {"--accurate", "--d", "0.5", "--mesh-step", "0.016"}},
        {"one solve, 3148 panels (step 0.0148)", {"--accurate", "--mesh-step", "0.0148"}},
        {"one solve, 0.1 mm strip on 1.6 mm FR-4",
         {"--accurate", "--w2", "INF", "--p", "AUTO", "--h", "1.6", "--epsilon-r", "4.4", "--w1",
          "0.1"}},
        {"synthesis of 110 ohm on 1.6 mm FR-4",
         {"--accurate", "--w2", "INF", "--p", "AUTO", "--h", "1.6", "--epsilon-r", "4.4",
          "--target-z0", "110", "--solve-for", "w1"}},
        {"--converge=0.01%, 0.1 mm strip, step 0.2",
         {"--w2", "INF", "--p", "1", "--h", "1.6", "--epsilon-r", "4.4", "--w1", "0.1",
          "--mesh-step", "0.2", "--converge=0.01%"}},
        {"--converge, thick strips (t 0.035)", {"--accurate", "--converge", "--t", "0.035"}},
    };
    std::printf("Accurate variant, best of 3 runs in one process\n");
    for (const timed_run &run : runs) {
        int status = 0;
        double seconds = time_cli(run.arguments, status);
        std::printf("%-44s %8.3f s  (exit %d)\n", run.what, seconds, status);
    }
    calc_params start{2.4e-3, 10e-3, 0.79e-3, 0.5e-3, 2.2, 2e-3, -1, 0};
    report_memory("peak memory, d 0.5, density 8", start, 8);
    start.t = 35e-6;
    report_memory("peak memory, d 0.5, t 0.035, density 8", start, 8);
    return 0;
}
