// The moment-method solver: the worked results, the physics the charges must obey,
// null receivers, and systems that have no finite answer.
#include "core/uniform/kernels.h"
#include "core/uniform/mesh.h"
#include "core/uniform/solver.h"
#include "tests/support/sink_capture.h"

#include <cmath>
#include <memory>
#include <vector>

namespace {

mesh_ptr start_mesh(double epsilon_r) {
    return mesh_ptr(
        mesh_new(0.0024000000000000002, 0.01, 0, 0.002, 0.00079000000000000012, epsilon_r, -1));
}

// Both pairs of one solve, released with the test.
struct solved {
    double z0 = 0;
    double capacitances[2] = {0, 0};
    charge_pair vacuum{nullptr, nullptr};
    charge_pair slab{nullptr, nullptr};
    ~solved() {
        md_free(vacuum.free_charge);
        md_free(vacuum.total_charge);
        md_free(slab.free_charge);
        md_free(slab.total_charge);
    }
};

using solver_test = core_test;

TEST_F(solver_test, start_values_give_the_worked_line) {
    mesh_ptr mesh = start_mesh(2.2);
    solved s;
    s.z0 = solve_line(mesh.get(), &s.vacuum, &s.slab, s.capacitances);
    EXPECT_EQ(lines(),
              (std::vector<sink_line>{info_line(L"Filling matrix"), info_line(L"Inverting matrix"),
                                      info_line(L"Extracting the result")}));
    EXPECT_NEAR(s.capacitances[0], 4.759868e-11, 0.5e-17);
    EXPECT_NEAR(s.capacitances[1], 9.009691e-11, 0.5e-17);
    EXPECT_NEAR(s.z0, 50.901002, 0.5e-6);
    // This build's bits of the same figures: any change to the order of an operation
    // shows here first.
    EXPECT_EQ(s.capacitances[0], 4.7598679884301992e-11);
    EXPECT_EQ(s.capacitances[1], 9.0096913594702302e-11);
    EXPECT_EQ(s.z0, 50.901002319348642);
    ASSERT_EQ(s.vacuum.free_charge->rows, 110);
    ASSERT_EQ(s.slab.free_charge->rows, 250);
    ASSERT_EQ(s.slab.total_charge->rows, 250);
}

TEST_F(solver_test, charges_obey_neutrality_and_the_bare_face_condition) {
    mesh_ptr mesh = start_mesh(2.2);
    solved s;
    s.z0 = solve_line(mesh.get(), &s.vacuum, &s.slab, s.capacitances);
    ASSERT_GT(s.z0, 0);
    for (const charge_pair *pair : {&s.vacuum, &s.slab}) {
        double net = 0, largest = 0;
        for (std::int32_t i = 0; i < mesh->dielectric_begin; ++i) {
            double q = 2 * mesh->cells[i].half_width * pair->free_charge->data[i];
            net += q;
            largest = std::max(largest, std::fabs(pair->free_charge->data[i]));
        }
        EXPECT_NEAR(net, 0, 1e-12 * largest);
        // The two strips carry charges of opposite sign.
        EXPECT_LT(pair->free_charge->data[0] * pair->free_charge->data[mesh->strip2_begin], 0);
    }
    // A bare slab face carries no free charge, up to rounding.
    double strip_scale = std::fabs(s.slab.free_charge->data[0]);
    for (std::int32_t i = mesh->dielectric_begin; i < mesh->cell_count; ++i) {
        EXPECT_LT(std::fabs(s.slab.free_charge->data[i]), 1e-12 * strip_scale) << i;
    }
    // In vacuum free and total charge coincide, in separate vectors.
    EXPECT_NE(s.vacuum.free_charge, s.vacuum.total_charge);
    for (std::int32_t i = 0; i < mesh->dielectric_begin; ++i) {
        EXPECT_EQ(bits(s.vacuum.free_charge->data[i]), bits(s.vacuum.total_charge->data[i]));
    }
}

TEST_F(solver_test, vacuum_slab_gives_equal_capacitances) {
    mesh_ptr mesh = start_mesh(1.0);
    ASSERT_EQ(mesh->cell_count, 110);
    solved s;
    s.z0 = solve_line(mesh.get(), &s.vacuum, &s.slab, s.capacitances);
    EXPECT_EQ(s.capacitances[0], s.capacitances[1]);
    EXPECT_EQ(s.capacitances[1] / s.capacitances[0], 1.0);
    EXPECT_NEAR(s.z0, 70.029953, 0.5e-6);
    EXPECT_NEAR(s.capacitances[0], 4.759868e-11, 0.5e-17);
    for (std::int32_t i = 0; i < mesh->cell_count; ++i) {
        EXPECT_EQ(bits(s.slab.total_charge->data[i]), bits(s.vacuum.total_charge->data[i]));
    }
}

TEST_F(solver_test, null_receivers_change_nothing_and_leak_nothing) {
    mesh_ptr mesh = start_mesh(2.2);
    solved full;
    full.z0 = solve_line(mesh.get(), &full.vacuum, &full.slab, full.capacitances);
    EXPECT_EQ(bits(solve_line(mesh.get(), nullptr, nullptr, nullptr)), bits(full.z0));
    solved partial;
    EXPECT_EQ(bits(solve_line(mesh.get(), nullptr, &partial.slab, nullptr)), bits(full.z0));
    for (std::int32_t i = 0; i < mesh->cell_count; ++i) {
        EXPECT_EQ(bits(partial.slab.free_charge->data[i]), bits(full.slab.free_charge->data[i]));
    }
}

// The self term is -1.8e10 times the integral of ln |x| over the cell: checked against a
// quadrature of that integral (midpoints on a grid refined towards the singularity).
TEST_F(solver_test, self_term_is_the_exact_cell_integral) {
    EXPECT_NEAR(kernel_self(0.0001), 36757225.339, 0.5e-3);
    for (double a : {1e-6, 1e-4, 3e-3}) {
        double integral = 0;
        constexpr int steps = 200000;
        for (int k = 0; k < steps; ++k) {
            double lo = a * std::pow(double(k) / steps, 4),
                   hi = a * std::pow(double(k + 1) / steps, 4);
            integral += 2 * (hi - lo) * std::log((lo + hi) / 2);
        }
        EXPECT_NEAR(kernel_self(a), -1.8e10 * integral, 1e-8 * std::fabs(kernel_self(a))) << a;
    }
}

// The specified variant against closed-form physics: a microstrip in vacuum has Z0 from
// Hammerstad and Jensen's formula (good to 0.03%); the rounded constants and the
// trapezoid sums keep the reference within half a percent of it.
TEST_F(solver_test, vacuum_microstrip_lies_in_the_closed_form_band) {
    for (double u : {0.5, 1.0, 2.0, 5.0}) {
        double h = 0.5e-3, w = u * h;
        // Mirrored in its ground plane: a symmetric pair 2h apart, with twice the Z0.
        mesh_ptr mesh(mesh_new(w, w, 0, 6 * h, 2 * h, 1.0, -1));
        double z0 = solve_line(mesh.get(), nullptr, nullptr, nullptr) / 2;
        double f = 6 + (2 * M_PI - 6) * std::exp(-std::pow(30.666 / u, 0.7528));
        double reference =
            376.730313668 / (2 * M_PI) * std::log(f / u + std::sqrt(1 + 4 / (u * u)));
        EXPECT_NEAR(z0, reference, 0.005 * reference) << u;
    }
}

// With no helper thread to be had, every threaded step runs on the caller alone and the
// answer is the same to the last bit.
TEST_F(solver_test, without_helper_threads_the_bits_are_the_same) {
    mesh_ptr mesh(mesh_new(2.4e-3, 10e-3, 0, 2e-3, 0.79e-3, 2.2, 0.05e-3));
    env().threads = 2;
    double threaded = solve_line(mesh.get(), nullptr, nullptr, nullptr);
    faults().refuse_helpers = true;
    double alone = solve_line(mesh.get(), nullptr, nullptr, nullptr);
    EXPECT_EQ(bits(alone), bits(threaded));
}

// A hand-made mesh whose system has no finite solution must be a failed calculation,
// not a printed "nan".
class degenerate_mesh_test : public solver_test {
  protected:
    // Four cells per strip, the bottom strip's h below the top one.
    mesh_t mesh{0.001, 1.0, 0, 4, 8, 8, 8, cells, 8};
    cell_t cells[8] = {{-3e-4, 1e-4}, {-1e-4, 1e-4}, {1e-4, 1e-4}, {3e-4, 1e-4},
                       {-3e-4, 1e-4}, {-1e-4, 1e-4}, {1e-4, 1e-4}, {3e-4, 1e-4}};

    void expect_failure() {
        solved s;
        s.capacitances[0] = 7;
        EXPECT_EQ(solve_line(&mesh, &s.vacuum, &s.slab, s.capacitances), -1.0);
        EXPECT_EQ(s.capacitances[0], 7);
        EXPECT_EQ(s.vacuum.free_charge, nullptr);
        EXPECT_EQ(s.slab.free_charge, nullptr);
        EXPECT_EQ(lines(), (std::vector<sink_line>{
                               info_line(L"Filling matrix"), info_line(L"Inverting matrix"),
                               info_line(L"Extracting the result"),
                               error_line(L"solve_line(): the system has no finite solution"),
                               info_line(L"Calculation failed")}));
    }
};

TEST_F(degenerate_mesh_test, a_cell_of_zero_width_has_no_finite_self_term) {
    cells[1].half_width = 0;
    expect_failure();
}

TEST_F(degenerate_mesh_test, a_cell_too_narrow_for_its_position_is_not_integrated_forever) {
    cells[3] = {1e10, 1e-10};
    expect_failure();
}

} // namespace
