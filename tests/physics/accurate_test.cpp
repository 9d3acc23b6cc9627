// The accurate variant's layer: the panel integrals against quadrature, the panel
// layout's promises, the limits that physics fixes, the working set of one solve and the
// refusals of the thickness.
#include "core/base/alloc.h"
#include "core/base/params.h"
#include "core/graded/accurate_solver.h"
#include "core/graded/cross_section.h"
#include "core/graded/graded_job.h"
#include "core/graded/panel_integrals.h"
#include "core/graded/panels.h"
#include "core/job/calc_job.h"
#include "tests/support/sink_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

// Gauss-Legendre with many intervals; the integrands are smooth off the panel.
panel_influence quadrature(xs_point a, xs_point b, xs_point p) {
    constexpr int intervals = 4000;
    const double node = 0.5 / std::sqrt(3.0);
    double length = std::hypot(b.x - a.x, b.y - a.y);
    panel_influence sum{0, 0, 0};
    for (int k = 0; k < intervals; ++k) {
        for (double offset : {-node, node}) {
            double s = (k + 0.5 + offset) / intervals;
            double dx = p.x - (a.x + s * (b.x - a.x)), dy = p.y - (a.y + s * (b.y - a.y));
            double r2 = dx * dx + dy * dy, w = length / intervals / 2;
            sum.potential += w * 0.5 * std::log(r2);
            sum.gradient_x += w * dx / r2;
            sum.gradient_y += w * dy / r2;
        }
    }
    return sum;
}

// Near the panel (closed form, to rounding) and far from it (the expansion, to its
// neglected term), at every orientation.
TEST(panel_integrals, match_quadrature_near_and_far) {
    const xs_point a{0.3, -0.2}, b{1.1, 0.5};
    struct probe {
        xs_point p;
        double tolerance; // relative to the size of the integrals
    };
    for (probe t : {probe{{0.5, 0.9}, 1e-11},
                    {{-1, 0.2}, 1e-11},
                    {{1.6, 0.9}, 1e-11},
                    {{0.7, -0.4}, 1e-11},
                    {{2, -1}, 1e-11},
                    {{8.0, 3.0}, 5e-8},
                    {{-5.0, 7.5}, 5e-8},
                    {{40.0, -30.0}, 1e-11}}) {
        panel_influence e = panel_integrals(a, b, t.p), q = quadrature(a, b, t.p);
        double gradient = std::hypot(q.gradient_x, q.gradient_y);
        EXPECT_NEAR(e.potential, q.potential, t.tolerance * (std::fabs(q.potential) + 1)) << t.p.x;
        EXPECT_NEAR(e.gradient_x, q.gradient_x, t.tolerance * gradient) << t.p.x;
        EXPECT_NEAR(e.gradient_y, q.gradient_y, t.tolerance * gradient) << t.p.x;
    }
    // At its own centre: the self term L (ln(L/2) - 1) and no normal field (its
    // principal value), nor a tangential one.
    panel_influence self = panel_integrals({0, 0}, {2e-4, 0}, {1e-4, 0});
    EXPECT_NEAR(self.potential, 2e-4 * (std::log(1e-4) - 1), 1e-18);
    EXPECT_EQ(self.gradient_x, 0.0);
    EXPECT_EQ(self.gradient_y, 0.0);
}

calc_params line(double w1, double w2, double h, double d, double eps, double p, double t) {
    calc_params params{};
    params.w1 = w1 * 1e-3;
    params.w2 = w2 < 0 ? -1 : w2 * 1e-3;
    params.h = h * 1e-3;
    params.d = d * 1e-3;
    params.epsilon_r = eps;
    params.p = p * 1e-3;
    params.t = t * 1e-3;
    params.mesh_step = -1;
    return params;
}

// The environment of the engine's own calls: its texts dropped.
const calc_env quiet{};

cross_section section_of(const calc_params &params) {
    cross_section section;
    EXPECT_TRUE(xs_line(quiet, params, section));
    return section;
}

struct layout {
    panels_ptr set;
    std::map<int, int> per_electrode;
};

layout panels_of(const calc_params &params, double density) {
    layout l{panels_ptr(panels_new(quiet, section_of(params), density, 1000000)), {}};
    for (std::int32_t i = 0; i < l.set->conductor_count; ++i)
        ++l.per_electrode[l.set->panels[std::size_t(i)].electrode];
    return l;
}

// The layout follows the local feature size: a strip 100 times narrower gets as many
// panels, a long slab costs little, refinement doubles every panel set (narrow strips
// included) and a symmetric section keeps only its right half.
TEST(panels, graded_by_feature_size_and_refined_everywhere) {
    layout wide = panels_of(line(2.4, 10, 0.79, 0.5, 2.2, 2, 0), 2);
    layout narrow = panels_of(line(0.024, 10, 0.79, 0.5, 2.2, 2, 0), 2);
    EXPECT_EQ(wide.per_electrode[0], narrow.per_electrode[0]);

    layout board = panels_of(line(0.1, -1, 1.6, 0, 4.4, 5, 0), 2);
    EXPECT_LT(board.set->panels.size(), 400u);
    EXPECT_TRUE(board.set->mirror_x);
    for (const panel_t &p : board.set->panels)
        EXPECT_GT(p.centre.x, 0);

    for (double t : {0.0, 0.035}) {
        layout coarse = panels_of(line(0.05, 10, 0.79, 0.5, 2.2, 2, t), 2);
        layout fine = panels_of(line(0.05, 10, 0.79, 0.5, 2.2, 2, t), 4);
        for (int electrode : {0, 1}) {
            EXPECT_GE(fine.per_electrode[electrode], 2 * coarse.per_electrode[electrode]);
        }
        EXPECT_GE(fine.set->panels.size(), 2 * coarse.set->panels.size());
        // Conductors first, and the panels of a segment tile it without gaps.
        for (std::size_t i = 0; i < fine.set->panels.size(); ++i) {
            const panel_t &p = fine.set->panels[i];
            EXPECT_EQ(p.kind == panel_kind::interface,
                      std::int32_t(i) >= fine.set->conductor_count);
            EXPECT_GT(p.length, 0);
        }
    }
}

struct answer {
    double z0, eps_eff;
};

answer solve(const calc_params &params, double density = 4) {
    panels_ptr set(panels_new(quiet, section_of(params), density, 1000000));
    accurate_solution s(quiet);
    double z0 = accurate_solve(quiet, set.get(), &s);
    EXPECT_GT(z0, 0);
    return {z0, s.c / s.c0};
}

double relative(double a, double b) {
    return std::fabs(a - b) / std::fabs(b);
}

// Limits the physics fixes, whatever the mesh.
TEST(accurate_physics, limits_and_symmetries) {
    // No dielectric contrast: the slab problem is the vacuum problem.
    for (double t : {0.0, 0.05}) {
        EXPECT_EQ(solve(line(2.4, 10, 0.79, 0.3, 1.0, 0.2, t)).eps_eff, 1.0);
        EXPECT_EQ(solve(line(1.0, -1, 0.5, 0, 1.0, 0.2, t)).eps_eff, 1.0);
    }
    // Exchanging the strips (the section turned upside down) and mirroring the offset.
    // The turned section is the same line but not the same arithmetic: its panels are
    // laid from the other ends and the factorisation's rounding depends on how many
    // threads the BLAS shares it among (1e-9 on two cores), far below the 1e-5 of the
    // discretisation.
    answer a = solve(line(2.4, 10, 0.79, 1.5, 4.0, 0.7, 0.035));
    answer swapped = solve(line(10, 2.4, 0.79, -1.5, 4.0, 0.7, 0.035));
    answer mirrored = solve(line(2.4, 10, 0.79, -1.5, 4.0, 0.7, 0.035));
    EXPECT_LT(relative(swapped.z0, a.z0), 1e-8);
    EXPECT_LT(relative(mirrored.z0, a.z0), 1e-8);
    EXPECT_LT(relative(swapped.eps_eff, a.eps_eff), 1e-8);
    // The mirror-symmetric solve (half the panels) against the full one: d = 0 against a
    // tiny offset, which changes the answer far less than the discretisation does.
    answer half = solve(line(2.4, 10, 0.79, 0, 2.2, 2, 0), 8);
    answer full = solve(line(2.4, 10, 0.79, 1e-9, 2.2, 2, 0), 8);
    EXPECT_LT(relative(half.z0, full.z0), 2e-6);
    EXPECT_LT(relative(half.eps_eff, full.eps_eff), 2e-6);

    // Thin copper approaches the flat strips, ever closer.
    answer flat = solve(line(2.4, 10, 0.79, 0, 2.2, 2, 0));
    double previous = 1;
    for (double t : {1e-2, 1e-3, 1e-4}) {
        double gap = relative(solve(line(2.4, 10, 0.79, 0, 2.2, 2, t)).z0, flat.z0);
        EXPECT_LT(gap, previous) << t;
        previous = gap;
    }
    EXPECT_LT(previous, 2e-4);

    // A very wide slab approaches the automatic overhang, which stands for an infinite one.
    calc_params automatic = line(2.4, -1, 0.79, 0, 2.2, 1, 0.035);
    automatic.p = accurate_auto_overhang(automatic.h);
    answer infinite = solve(automatic);
    answer wide = solve(line(2.4, -1, 0.79, 0, 2.2, 3000, 0.035));
    EXPECT_LT(relative(wide.z0, infinite.z0), 1e-7);
    EXPECT_LT(relative(wide.eps_eff, infinite.eps_eff), 1e-7);
    // ... and a narrow one lowers the effective permittivity: less dielectric.
    EXPECT_LT(solve(line(2.4, -1, 0.79, 0, 2.2, 0.1, 0.035)).eps_eff, infinite.eps_eff - 0.05);
}

// One solve holds the system matrix and little else: at most 1.2 x 8 N^2 bytes for N
// unknowns, vacuum system included.
TEST(accurate_physics, working_set_of_one_solve) {
    for (double d : {0.0, 0.4}) {
        calc_params params = line(2.4, 10, 0.79, d, 2.2, 2, 0.035);
        panels_ptr set(panels_new(quiet, section_of(params), 3, 1000000));
        double n = double(set->panels.size());
        core_alloc_reset_peak();
        std::size_t before = core_alloc_peak_bytes();
        accurate_solution s(quiet);
        ASSERT_GT(accurate_solve(quiet, set.get(), &s), 0);
        EXPECT_LE(double(core_alloc_peak_bytes() - before), 1.2 * 8 * n * n) << n;
    }
}

// A host that keeps the job's lines and its outcome's figures.
class quiet_host final : public calc_host {
  public:
    std::vector<std::wstring> lines;
    calc_figures figures{};
    bool enabled = true;
    void set_calculate_enabled(bool on) override { enabled = on; }
    void append_line(const wchar_t *text) override { lines.emplace_back(text); }
    bool plot_box_checked() override { return false; }
    void show_plot(const plot_request &) override {}
    void finished(const calc_outcome &outcome) override { figures = outcome; }
};

using accurate_failures = core_test;

// Every allocation of an accurate run, made to fail in turn: the run reports a failure,
// Calculate comes back, nothing leaks (the fixture checks), and the first allocation
// that no longer fails gives the full answer.
TEST_F(accurate_failures, every_allocation_failure_is_a_clean_failure) {
    calc_params params = line(2.4, 10, 0.79, 0.5, 2.2, 0.5, 0.035);
    quiet_host reference;
    calc_params used = params;
    calc_thread(&reference, &used, solver_variant::accurate, calc_host_env(reference, env()));
    ASSERT_TRUE(reference.figures.ok);
    long calls = 0;
    for (long k = 1;; ++k) {
        faults().arm(k);
        quiet_host host;
        calc_params attempt = params;
        calc_thread(&host, &attempt, solver_variant::accurate, calc_host_env(host, env()));
        calls = faults().calls.load();
        faults().arm(0);
        EXPECT_TRUE(host.enabled) << k;
        if (k > calls) {
            // Past the last allocation: nothing failed.
            EXPECT_TRUE(host.figures.ok);
            EXPECT_EQ(bits(host.figures.z0), bits(reference.figures.z0));
            break;
        }
        EXPECT_FALSE(host.figures.ok) << k;
        ASSERT_LT(k, 1000);
    }
    EXPECT_GT(calls, 5);
}

// Both variants stop a long solve at their next check once the cancel flag is set (here
// by the first progress report), end with "Calculation cancelled", release everything
// and give Calculate back.
TEST_F(accurate_failures, a_calculation_stops_when_cancelled) {
    for (solver_variant variant : {solver_variant::specified, solver_variant::accurate}) {
        std::atomic<bool> cancel{false};
        quiet_host host;
        calc_env env = calc_host_env(host, this->env());
        env.cancel = &cancel;
        env.progress = [](void *flag, progress_phase, double) {
            static_cast<std::atomic<bool> *>(flag)->store(true);
        };
        env.progress_context = &cancel;
        calc_params params = line(2.4, 10, 0.79, 0.5, 2.2, 2, 0);
        params.mesh_step = 0.02e-3;
        calc_thread(&host, &params, variant, env);
        EXPECT_FALSE(host.figures.ok);
        EXPECT_TRUE(host.enabled);
        ASSERT_FALSE(host.lines.empty());
        EXPECT_EQ(host.lines.back(), L"Calculation cancelled") << variant_name(variant);
    }
}

} // namespace

namespace {

// The free charge the ground plane carries, from the field the panels' charges make at
// it, balances the strip's: Gauss's law over the whole cross-section, missing only the
// one percent or so that lies beyond the fifty heights sampled.
TEST(accurate_physics, the_ground_plane_carries_the_strips_charge) {
    struct profile_host final : public calc_host {
        double strip = 0, plane = 0;
        int plane_cells = 0;
        void set_calculate_enabled(bool) override {}
        void append_line(const wchar_t *) override {}
        bool plot_box_checked() override { return false; }
        void show_plot(const plot_request &) override {}
        void finished(const calc_outcome &outcome) override {
            for (std::int32_t i = 0; i < outcome.charges->count; ++i) {
                const charge_cell &c = outcome.charges->cells[i];
                double q = c.free_charge * 2 * c.half_width;
                (c.kind == charge_kind::plane ? plane : strip) += q;
                plane_cells += c.kind == charge_kind::plane;
            }
        }
    };
    for (double eps : {1.0, 4.4}) {
        profile_host host;
        calc_params params = line(1.0, -1, 0.5, 0, eps, -1, 0.035);
        calc_thread(&host, &params, solver_variant::accurate, calc_host_env(host));
        EXPECT_EQ(host.plane_cells, 241);
        EXPECT_NEAR(-host.plane / host.strip, 0.99, 0.01) << eps;
    }
}

} // namespace
