// The calculation job through a recording host: the result lines of the worked cases,
// the microstrip and overhang substitutions, the plot, and every failure path of the
// mesh and the solver driven by the allocation switch.
#include "core/job/calc_job.h"
#include "tests/support/sink_capture.h"

#include <string>
#include <vector>

namespace {

// Records the job's window operations and its lines, with the sinks' lines in between
// as a real result list shows them.
class recording_host : public calc_host {
  public:
    std::vector<std::wstring> events;
    bool plot_checked = false;
    long live_during_plot = -1;
    plot_request shown{nullptr};
    calc_outcome outcome{};

    void set_calculate_enabled(bool enabled) override {
        events.push_back(enabled ? L"<enabled>" : L"<disabled>");
    }
    void append_line(const wchar_t *text) override { events.emplace_back(text); }
    bool plot_box_checked() override { return plot_checked; }
    void show_plot(const plot_request &request) override {
        events.push_back(L"<plot>");
        shown = request;
        live_during_plot = core_alloc_live();
    }
    void finished(const calc_outcome &o) override { outcome = o; }
};

calc_params start_params() {
    return {0.0024000000000000002, 0.01, 0.00079000000000000012, 0, 2.2, 0.002, -1};
}

std::vector<std::wstring> framed(std::vector<std::wstring> lines) {
    lines.insert(lines.begin(), L"<disabled>");
    lines.push_back(L"<enabled>");
    return lines;
}

const std::vector<std::wstring> solver_progress = {L"Filling matrix", L"Inverting matrix",
                                                   L"Extracting the result"};

std::vector<std::wstring> join(std::initializer_list<std::vector<std::wstring>> parts) {
    std::vector<std::wstring> all;
    for (const auto &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The job with the specified variant, its sinks' lines recorded by the host, under the
// fixture's test switches.
class calc_job_test : public core_test {
  protected:
    int run(recording_host &host, calc_params &params) {
        return calc_thread(&host, &params, solver_variant::specified, calc_host_env(host, env()));
    }
};

TEST_F(calc_job_test, start_values) {
    recording_host host;
    calc_params params = start_params();
    EXPECT_EQ(run(host, params), 0);
    EXPECT_EQ(host.events,
              framed(join({{L"Mesh cells = 250", L"\tcells for strips = 110",
                            L"\tcells for dielectrics = 140"},
                           solver_progress,
                           {L"Effective permittivity = 1.892845", L"Z0 = 50.901002 Ohm"}})));
    EXPECT_TRUE(host.outcome.ok);
    EXPECT_FALSE(host.outcome.microstrip);
    EXPECT_EQ(host.outcome.z0, host.outcome.z0_solver);
}

TEST_F(calc_job_test, microstrip_with_automatic_overhang) {
    recording_host host;
    calc_params params = start_params();
    params.w2 = -1;
    params.p = -1;
    run(host, params);
    EXPECT_EQ(
        host.events,
        framed(join(
            {{L"Infinite w2 (fall back to microstrip)", L"Calculation with two symmetric strips",
              L"use p = 4.740000 mm (emulation of a infinite large p)", L"Mesh cells = 214",
              L"\tcells for strips = 46", L"\tcells for dielectrics = 168"},
             solver_progress,
             {L"Effective permittivity = 1.879183", L"Z0 = 50.474244 Ohm"}})));
    EXPECT_TRUE(host.outcome.microstrip);
    EXPECT_EQ(host.outcome.z0, host.outcome.z0_solver * 0.5);
}

TEST_F(calc_job_test, microstrip_is_mirrored_in_its_ground_plane) {
    recording_host host;
    calc_params params{0.001, -1, 0.0005, 0.25, 4, -1, -1};
    run(host, params);
    EXPECT_EQ(host.events[3], L"use p = 3.000000 mm (emulation of a infinite large p)");
    EXPECT_EQ(params.w2, params.w1);
    EXPECT_EQ(params.d, 0);
    EXPECT_EQ(params.h, 0.001);
    EXPECT_EQ(params.p, 0.003);
    EXPECT_EQ(host.outcome.z0, host.outcome.z0_solver * 0.5);

    // An explicit p and a finite w2 are left alone.
    recording_host plain;
    calc_params given = start_params();
    run(plain, given);
    EXPECT_EQ(plain.events[1], L"Mesh cells = 250");
}

TEST_F(calc_job_test, low_permittivity_runs_in_vacuum) {
    recording_host host;
    calc_params params = start_params();
    params.epsilon_r = 1.2;
    run(host, params);
    EXPECT_EQ(host.events,
              framed(join({{L"WARNING: epsilon should be either 1.0 or much bigger than 1",
                            L"Calculation with epsilon_r = 1.0", L"Mesh cells = 110",
                            L"\tcells for strips = 110", L"\tcells for dielectrics = 0"},
                           solver_progress,
                           {L"Effective permittivity = 1.000000", L"Z0 = 70.029953 Ohm"}})));
}

TEST_F(calc_job_test, plot_borrows_the_results_before_they_are_released) {
    recording_host host;
    host.plot_checked = true;
    calc_params params = start_params();
    run(host, params);
    ASSERT_EQ(host.events.size(), 11u);
    EXPECT_EQ(host.events[9], L"<plot>");
    EXPECT_EQ(host.shown.charges, host.outcome.charges);
    EXPECT_EQ(host.live_during_plot, 2); // the charge profile: its record and its cells
}

// Each allocation of a run in turn fails. Whatever fails, no result line is written,
// nothing leaks and the run ends with Calculate enabled.
TEST_F(calc_job_test, every_allocation_failure_ends_cleanly) {
    const std::vector<std::wstring> mesh_lines = {L"Mesh cells = 250", L"\tcells for strips = 110",
                                                  L"\tcells for dielectrics = 140",
                                                  L"Filling matrix"};
    const std::wstring no_memory = L"md_new(): not enough memory";
    const std::wstring failed = L"Calculation failed";
    auto after_mesh = [&](std::vector<std::wstring> tail) { return join({mesh_lines, tail}); };
    auto extracting = [&](std::vector<std::wstring> tail) {
        return after_mesh(join({{L"Inverting matrix", L"Extracting the result"}, tail}));
    };
    std::vector<std::vector<std::wstring>> expected(
        2, {L"Create configuration failed", L"mesh_new(): not enough memory"});
    const std::vector<std::wstring> product_failed = {no_memory, L"md_mul(): not enough memory!",
                                                      failed};
    // P and F, then R.
    for (int k = 3; k <= 6; ++k)
        expected.push_back(after_mesh({no_memory, L"Could not create matrix", failed}));
    for (int k = 7; k <= 8; ++k)
        expected.push_back(after_mesh({no_memory, L"Failed to create matrix", failed}));
    // The two pivot lists.
    for (int k = 9; k <= 10; ++k) {
        expected.push_back(
            after_mesh({L"Inverting matrix", L"md_inverse_direct(): not enough memory", failed}));
    }
    // The rows of the products the voltages read, then V0 and V.
    for (int k = 11; k <= 12; ++k)
        expected.push_back(extracting(product_failed));
    for (int k = 13; k <= 16; ++k)
        expected.push_back(extracting({no_memory, L"Failed to create matrix", failed}));
    // sigma0, sigma, f0 and f.
    for (int k = 17; k <= 24; ++k)
        expected.push_back(extracting(product_failed));
    // The charge profile handed to the host: its record and its cells.
    for (int k = 25; k <= 26; ++k)
        expected.push_back(extracting({L"Not enough memory for the charge profile", failed}));

    for (std::size_t k = 1; k <= expected.size(); ++k) {
        recording_host host;
        host.plot_checked = true;
        calc_params params = start_params();
        long live = core_alloc_live();
        faults().arm(long(k));
        EXPECT_EQ(run(host, params), 0);
        EXPECT_EQ(host.events, framed(expected[k - 1])) << "allocation " << k;
        EXPECT_FALSE(host.outcome.ok);
        EXPECT_EQ(core_alloc_live(), live) << "allocation " << k;
    }
    // One allocation further, the run succeeds: the list above covers every one.
    recording_host host;
    calc_params params = start_params();
    faults().arm(long(expected.size() + 1));
    run(host, params);
    EXPECT_TRUE(host.outcome.ok);
}

} // namespace
