// Benchmark of the solver for the start geometry at a series of mesh steps: the time of
// each phase and the peak memory of the fast solve and of the straightforward reference
// solve (single thread, reference loops), and their ratio.
#include "alloc.h"
#include "mesh.h"
#include "number_syntax.h"
#include "oracle/literal_solver.h"
#include "messages.h"
#include "params.h"
#include "progress.h"
#include "solver.h"
#include "worker_pool.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>

namespace {

using clock_type = std::chrono::steady_clock;

// The fast solve's phases, from its own progress lines and the start of the second
// inversion.
struct phase_clock {
    clock_type::time_point start, inverting, second_inversion, extracting;
    int inversions = 0;
} phases;

void on_info(void *, const wchar_t *text) {
    if (std::wcscmp(text, L"Inverting matrix") == 0) phases.inverting = clock_type::now();
    if (std::wcscmp(text, L"Extracting the result") == 0) phases.extracting = clock_type::now();
}

void on_progress(void *, progress_phase phase, double fraction) {
    if (phase == progress_phase::invert && fraction == 0.0 && ++phases.inversions == 2) {
        phases.second_inversion = clock_type::now();
    }
}

double between(clock_type::time_point a, clock_type::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

constexpr int literal_limit = 1500;

} // namespace

int main(int argc, char **argv) {
    sinks_binding to_clock(on_info, [](void *, const wchar_t *) {}, nullptr);
    progress_binding to_phases(on_progress, nullptr);
    const char *steps[] = {"AUTO", "0.05", "0.03", "0.02", "0.01"};
    bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    std::printf("Start geometry (w1 2.4, w2 10, h 0.79, d 0, epsilon_r 2.2, p 2.0 mm).\n");
    std::printf("Times in seconds; fill, invert R, invert P, extract, total. Peak in MB and "
                "in units of 8 N^2 bytes.\n");
    std::printf(
        "The straightforward path (reference loops, one thread) is skipped above N = %d.\n\n",
        literal_limit);
    std::printf("%-5s %5s %5s | %6s %6s %6s %6s %7s %6s | %7s %7s %7s %7s %7s %7s | %6s\n", "step",
                "N", "S", "fill", "invR", "invP", "extr", "total", "peak", "fill", "invR", "invP",
                "extr", "total", "peak", "ratio");
    for (const char *step : steps) {
        // The step as the dialog reads it, so that N is the N of the same text typed there.
        double mesh_step = -1;
        if (std::strcmp(step, "AUTO") != 0) {
            std::wstring text(step, step + std::strlen(step));
            parse_number(text.data(), &mesh_step);
            mesh_step = mesh_step * 0.001;
        }
        mesh_ptr mesh(mesh_new(0.0024000000000000002, 0.01, 0, 0.002, 0.00079000000000000012, 2.2,
                               mesh_step));
        int n = mesh->cell_count, s = mesh->dielectric_begin;
        double unit = 8.0 * n * n;

        phases = {};
        core_alloc_reset_peak();
        std::size_t base = core_alloc_peak_bytes();
        phases.start = clock_type::now();
        double z0 = solve_line(mesh.get(), nullptr, nullptr, nullptr);
        auto end = clock_type::now();
        double fast_total = between(phases.start, end);
        double fast_peak = double(core_alloc_peak_bytes() - base);
        std::printf("%-5s %5d %5d | %6.3f %6.3f %6.3f %6.3f %7.3f %6.1f |", step, n, s,
                    between(phases.start, phases.inverting),
                    between(phases.inverting, phases.second_inversion),
                    between(phases.second_inversion, phases.extracting),
                    between(phases.extracting, end), fast_total, fast_peak / 1e6);
        if (n > literal_limit || (quick && n > 600)) {
            std::printf(" %47s | %6s   (peak %.2f x 8N^2)\n", "skipped", "", fast_peak / unit);
            continue;
        }
        worker_pool_limit(1);
        core_alloc_reset_peak();
        base = core_alloc_peak_bytes();
        literal_phase_times t{};
        auto literal_start = clock_type::now();
        literal_solution reference = literal_solve(*mesh, &t);
        double literal_total = between(literal_start, clock_type::now());
        double literal_peak = double(core_alloc_peak_bytes() - base);
        worker_pool_limit(0);
        std::printf(" %7.3f %7.3f %7.3f %7.3f %7.3f %7.1f | %6.1f   (peak %.2f vs %.2f x 8N^2)%s\n",
                    t.fill, t.invert_strips, t.invert_system, t.extract, literal_total,
                    literal_peak / 1e6, literal_total / fast_total, fast_peak / unit,
                    literal_peak / unit, reference.z0 == z0 ? "" : "  Z0 DIFFERS");
    }
    return 0;
}
