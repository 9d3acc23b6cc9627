// solve_line against the reference solution, bit for bit, on geometries that cover
// offsets of both signs, equal and unequal strips, vacuum and a low permittivity, a
// microstrip's mirrored pair, a tiny overhang and explicit steps.
#include "core/uniform/mesh.h"
#include "core/uniform/solver.h"
#include "tests/exact/oracle/literal_solver.h"
#include "tests/support/sink_capture.h"

#include <memory>

namespace {

struct geometry {
    double w1, w2, d, p, h, epsilon_r, step; // millimetres
};

void expect_same(const std::vector<double> &reference, const md_t *fast) {
    ASSERT_EQ(std::size_t(fast->rows), reference.size());
    for (std::size_t i = 0; i < reference.size(); ++i) {
        EXPECT_EQ(bits(fast->data[i]), bits(reference[i])) << "cell " << i;
    }
}

using solver_equality = core_test;

TEST_F(solver_equality, fast_solve_matches_the_reference) {
    const geometry cases[] = {
        {2.4, 10, 0, 2, 0.79, 2.2, 0.3},
        {1, 2, 0.5, 1, 1, 4, 0.3},
        {1, 1, 5, 1, 1, 4, 0.35},
        {1, 1, -5, 1, 1, 4, 0.35},
        {1, 3, -0.7, 1.5, 0.5, 10.2, 0.2},
        {2.4, 10, 0, 2, 0.79, 1.0, 0.2},
        {2.4, 10, 0.3, 2, 0.79, 1.2, 0.25},
        {2.4, 2.4, 0, 4.74, 1.58, 2.2, 0.3},
        {2.4, 10, 0, 0.0024, 0.79, 2.2, 0.3},
        {0.5, 0.8, 0.1, 0.4, 0.2, 3.5, -1},
    };
    for (const geometry &g : cases) {
        mesh_ptr mesh(mesh_new(g.w1 * 1e-3, g.w2 * 1e-3, g.d * 1e-3, g.p * 1e-3, g.h * 1e-3,
                               g.epsilon_r, g.step * 1e-3));
        ASSERT_TRUE(mesh);
        literal_solution reference = literal_solve(*mesh);
        charge_pair vacuum{}, slab{};
        double capacitances[2];
        double z0 = solve_line(mesh.get(), &vacuum, &slab, capacitances);
        EXPECT_EQ(bits(z0), bits(reference.z0)) << "cells " << mesh->cell_count;
        EXPECT_EQ(bits(capacitances[0]), bits(reference.c0));
        EXPECT_EQ(bits(capacitances[1]), bits(reference.c));
        expect_same(reference.vacuum_free, vacuum.free_charge);
        expect_same(reference.vacuum_total, vacuum.total_charge);
        expect_same(reference.slab_free, slab.free_charge);
        expect_same(reference.slab_total, slab.total_charge);
        for (md_t *v :
             {vacuum.free_charge, vacuum.total_charge, slab.free_charge, slab.total_charge}) {
            md_free(v);
        }
    }
}

} // namespace
