// Benchmark of the solver for the start geometry at a series of mesh steps: the time of
// each phase and the peak memory of the fast solve and of the straightforward reference
// solve (single thread, reference loops), and their ratio. Then the inversion of P alone
// against the column-sweep inversion it replaced and against LU inversion by OpenBLAS,
// and how many row sums the pivot search computed on the matrices of real lines.
#include "bench/lapack_inverse.h"
#include "core/base/alloc.h"
#include "core/base/params.h"
#include "core/base/process_env.h"
#include "core/dense/matrix_inverse.h"
#include "core/uniform/assembly.h"
#include "core/uniform/mesh.h"
#include "core/uniform/solver.h"
#include "input/number_syntax.h"
#include "tests/exact/oracle/column_sweep_inverse.h"
#include "tests/exact/oracle/literal_solver.h"

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

// The mesh step as the dialog reads the text, so that N is the N of the same text typed
// there; AUTO gives -1.
double step_of(const char *text) {
    if (std::strcmp(text, "AUTO") == 0) return -1;
    double mesh_step = -1;
    std::wstring wide(text, text + std::strlen(text));
    parse_number(wide.data(), &mesh_step);
    return mesh_step * 0.001;
}

// P of a geometry (millimetres) and its strip block R, filled as the solver fills them.
struct system_pair {
    md_ptr p, r;
};

system_pair system_of(double w1, double w2, double h, double epsilon_r, double p,
                      double mesh_step) {
    mesh_ptr mesh(mesh_new(w1 * 1e-3, w2 * 1e-3, 0, p * 1e-3, h * 1e-3, epsilon_r, mesh_step));
    std::int32_t n = mesh->cell_count, s = mesh->dielectric_begin;
    system_pair m{md_ptr(md_new(n, n)), md_ptr(md_new(s, s))};
    md_ptr f(md_new(n, n));
    md_fill(m.p.get(), 0.0);
    md_fill(f.get(), 0.0);
    assemble_system(mesh.get(), m.p.get(), f.get());
    for (std::int32_t i = 0; i < s; ++i) {
        std::memcpy(m.r->data + std::size_t(i) * s, m.p->data + std::size_t(i) * n,
                    sizeof(double) * s);
    }
    return m;
}

md_ptr copy_of(const md_t &m) {
    md_ptr c(md_new(m.rows, m.cols));
    std::memcpy(c->data, m.data, sizeof(double) * std::size_t(m.rows) * m.cols);
    return c;
}

template <class Invert> double seconds_of(const md_t &m, md_ptr &result, Invert invert) {
    result = copy_of(m);
    auto start = clock_type::now();
    invert(result.get());
    return between(start, clock_type::now());
}

// The inversion of P of the start geometry: the column sweep that came before (all
// cores), md_inverse_direct on all cores and on one, and OpenBLAS's dgetrf + dgetri.
void inversion_table(calc_env &env, bool quick) {
    std::printf("\nInversion of P (start geometry), seconds; sums: row sums computed per step.\n");
    std::printf("%-5s %5s | %8s %8s %8s %8s | %8s %8s | %6s\n", "step", "N", "sweep", "direct",
                "1 core", "OpenBLAS", "vs sweep", "vs BLAS", "sums");
    for (const char *step : {"0.05", "0.02", "0.01"}) {
        if (quick && std::strcmp(step, "0.05") != 0) continue;
        system_pair m = system_of(2.4, 10, 0.79, 2.2, 2.0, step_of(step));
        md_ptr sweep, direct, single, lu;
        double t_sweep = seconds_of(*m.p, sweep, column_sweep_md_inverse);
        inverse_statistics_reset();
        double t_direct = seconds_of(*m.p, direct, md_inverse_direct);
        inverse_statistics counts = inverse_statistics_get();
        env.threads = 1;
        double t_single = seconds_of(*m.p, single, md_inverse_direct);
        env.threads = 0;
        double t_lu = seconds_of(*m.p, lu, lapack_inverse);
        std::size_t bytes = sizeof(double) * std::size_t(m.p->rows) * std::size_t(m.p->rows);
        bool same = std::memcmp(sweep->data, direct->data, bytes) == 0 &&
                    std::memcmp(sweep->data, single->data, bytes) == 0;
        std::printf("%-5s %5d | %8.3f %8.3f %8.3f %8.3f | %7.2fx %7.2fx | %6.2f%s\n", step,
                    m.p->rows, t_sweep, t_direct, t_single, t_lu, t_sweep / t_direct,
                    t_direct / t_lu, double(counts.exact_sums) / double(counts.steps),
                    same ? "" : "  BITS DIFFER");
    }
}

// Row sums the pivot search computed, on P and R of a 50-ohm microstrip on epsilon_r
// 10.2 (as its mirrored pair) and of the start geometry, orders up to 3000.
void contention_table(bool quick) {
    std::printf("\nPivot search on real matrices: row sums computed per step, steps whose sums "
                "came from one pass over the active columns, blocks.\n");
    std::printf("%-28s %5s | %6s %6s %6s\n", "matrix", "N", "sums", "passes", "blocks");
    struct line {
        const char *name;
        double w1, h, epsilon_r, p, w2;
        const char *steps[4];
    };
    const line lines[] = {
        {"microstrip 0.6 on 0.635 mm",
         0.6,
         1.27,
         10.2,
         1.5,
         0.6,
         {"0.03", "0.01", "0.005", "0.0025"}},
        {"start geometry", 2.4, 0.79, 2.2, 2.0, 10, {"0.05", "0.02", "0.01", nullptr}}};
    for (const line &g : lines) {
        for (const char *step : g.steps) {
            if (!step || (quick && step != g.steps[0])) continue;
            system_pair m = system_of(g.w1, g.w2, g.h, g.epsilon_r, g.p, step_of(step));
            for (md_t *x : {m.p.get(), m.r.get()}) {
                inverse_statistics_reset();
                md_inverse_direct(x);
                inverse_statistics c = inverse_statistics_get();
                std::printf("%-26s %s %5d | %6.2f %6lld %6lld\n", g.name,
                            x == m.p.get() ? "P" : "R", x->rows,
                            double(c.exact_sums) / double(c.steps), c.full_sweeps, c.blocks);
            }
        }
    }
}

} // namespace

int main(int argc, char **argv) {
    // The solver's progress lines and phases start the clocks; one thread or all of them
    // as each table asks.
    calc_env env;
    env.sinks = {nullptr, on_info, nullptr};
    env.progress = on_progress;
    process_env_binding bound(env);
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
        mesh_ptr mesh(mesh_new(0.0024000000000000002, 0.01, 0, 0.002, 0.00079000000000000012, 2.2,
                               step_of(step)));
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
        env.threads = 1;
        core_alloc_reset_peak();
        base = core_alloc_peak_bytes();
        literal_phase_times t{};
        auto literal_start = clock_type::now();
        literal_solution reference = literal_solve(*mesh, &t);
        double literal_total = between(literal_start, clock_type::now());
        double literal_peak = double(core_alloc_peak_bytes() - base);
        env.threads = 0;
        std::printf(" %7.3f %7.3f %7.3f %7.3f %7.3f %7.1f | %6.1f   (peak %.2f vs %.2f x 8N^2)%s\n",
                    t.fill, t.invert_strips, t.invert_system, t.extract, literal_total,
                    literal_peak / 1e6, literal_total / fast_total, fast_peak / unit,
                    literal_peak / unit, reference.z0 == z0 ? "" : "  Z0 DIFFERS");
    }
    inversion_table(env, quick);
    contention_table(quick);
    return 0;
}
