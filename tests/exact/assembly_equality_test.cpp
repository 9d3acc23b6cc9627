// The assembly, which copies an entry from its up-left neighbour where the trapezoid
// rule sees the same node offsets, against every entry computed from its kernel alone,
// bit for bit, on uniform meshes (where about half the entries repeat) of two-strip
// lines with offsets of both signs and a mirrored microstrip.
#include "core/uniform/assembly.h"
#include "core/uniform/kernels.h"
#include "core/uniform/mesh.h"
#include "tests/support/sink_capture.h"

#include <string>

namespace {

struct geometry {
    double w1, w2, d, p, h, epsilon_r, step; // millimetres
};

// The entries of P and F exactly as each kernel gives them, one entry at a time.
struct reference_entries {
    const mesh_t &mesh;
    double coefficient; // (1 - eps) / 2 pi

    bool on_top(std::int32_t j) const {
        return j < mesh.strip2_begin ||
               (j >= mesh.dielectric_begin && j < mesh.lower_dielectric_begin);
    }

    // P[i][j] and F[i][j].
    std::pair<double, double> at(std::int32_t i, std::int32_t j) const {
        double eps = mesh.epsilon_r;
        const cell_t &c = mesh.cells[j];
        double xi = mesh.cells[i].center;
        double f_diagonal = i == j ? (1 + eps) * 0.5 : 0.0;
        if (i < mesh.dielectric_begin) {
            if (on_top(i) == on_top(j)) {
                if (i == j) return {kernel_self(c.half_width), f_diagonal};
                trapezoid t = kernel_same_face(xi, c);
                return {(t.bracket * -potential_factor) * t.delta, 0.0};
            }
            trapezoid_pair t = kernel_opposite_face(xi, c, mesh.h);
            return {(t.potential * -potential_factor) * t.delta, (t.field * coefficient) * t.delta};
        }
        if (on_top(i)) {
            if (i == j) return {(eps + 1) * 3.141592653589793 / (1 - eps), f_diagonal};
            if (on_top(j)) return {0.0, 0.0};
            trapezoid t = kernel_field(xi, c, mesh.h);
            return {t.bracket * t.delta, (t.bracket * coefficient) * t.delta};
        }
        if (i == j) return {(eps + 1) * -3.141592653589793 / (1 - eps), f_diagonal};
        if (!on_top(j)) return {0.0, 0.0};
        trapezoid t = kernel_field(xi, c, mesh.h);
        return {-(t.bracket * t.delta), coefficient * (t.delta * t.bracket)};
    }
};

using assembly_equality = core_test;

TEST_F(assembly_equality, every_entry_is_its_kernels_value) {
    const geometry cases[] = {
        {2.4, 10, 0, 2, 0.79, 2.2, 0.05}, {1, 2, 0.5, 1, 1, 4, 0.04},
        {1, 1, -5, 1, 1, 4, 0.1},         {1, 3, -0.7, 1.5, 0.5, 10.2, 0.03},
        {1, 1, 0, 1, 1.27, 10.2, 0.02},
    };
    for (const geometry &g : cases) {
        mesh_ptr mesh(mesh_new(g.w1 * 1e-3, g.w2 * 1e-3, g.d * 1e-3, g.p * 1e-3, g.h * 1e-3,
                               g.epsilon_r, g.step * 1e-3));
        ASSERT_TRUE(mesh);
        std::int32_t n = mesh->cell_count;
        md_ptr p(md_new(n, n)), f(md_new(n, n));
        md_fill(p.get(), 0.0);
        md_fill(f.get(), 0.0);
        assemble_system(mesh.get(), p.get(), f.get());
        reference_entries reference{*mesh, (1 - mesh->epsilon_r) / 6.283185307179586};
        int wrong = 0;
        for (std::int32_t i = 0; i < n && wrong < 5; ++i) {
            for (std::int32_t j = 0; j < n && wrong < 5; ++j) {
                auto [pe, fe] = reference.at(i, j);
                std::size_t at = std::size_t(i) * n + j;
                if (bits(p->data[at]) != bits(pe) || bits(f->data[at]) != bits(fe)) {
                    ADD_FAILURE() << n << " cells, entry (" << i << ", " << j << ")";
                    ++wrong;
                }
            }
        }
    }
}

} // namespace
