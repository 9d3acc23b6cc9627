// Fuzz target: mesh_new with seven arbitrary doubles (NaN, infinities, denormals, huge
// and tiny values, either sign). Whenever a mesh comes back it must keep the mesh's
// invariants: ordered index ranges inside the capacity, at least four cells a segment,
// the permittivity rule, and for finite input cells that follow each other without gaps
// within a segment. Writes beyond the cell array are caught by AddressSanitizer, since
// the array is allocated at exactly its capacity. A memory ceiling bounds the capacity.
#include "core/base/alloc.h"
#include "core/base/process_env.h"
#include "core/uniform/mesh.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "mesh invariant broken: %s\n", what);
    std::abort();
}

std::vector<std::wstring> lines;

void collect(void *, const wchar_t *text) {
    lines.emplace_back(text);
}

// Cells [begin, end) follow each other left to right, allowing one gap at most (where
// a face's range passes over its strip); returns the total width.
double check_run(const mesh_t &mesh, std::int32_t begin, std::int32_t end, bool one_gap,
                 double tolerance) {
    double width = 0;
    int gaps = 0;
    for (std::int32_t i = begin; i < end; ++i) {
        const cell_t &cell = mesh.cells[i];
        if (!(cell.half_width >= 0)) fail("a cell of negative width");
        width += 2 * cell.half_width;
        if (i == begin) continue;
        const cell_t &before = mesh.cells[i - 1];
        double gap = (cell.center - cell.half_width) - (before.center + before.half_width);
        if (std::fabs(gap) > tolerance) {
            if (!(gap > 0) || !one_gap || ++gaps > 1) fail("cells overlap or leave a gap");
        }
    }
    return width;
}

void check_mesh(const mesh_t &mesh, const double in[7]) {
    const double w1 = in[0], w2 = in[1], epsilon_r = in[5];
    if (mesh.strip1_begin != 0 || mesh.strip2_begin - mesh.strip1_begin < 4 ||
        mesh.dielectric_begin - mesh.strip2_begin < 4 ||
        mesh.lower_dielectric_begin < mesh.dielectric_begin ||
        mesh.cell_count < mesh.lower_dielectric_begin || mesh.cell_count > mesh.capacity) {
        fail("index ranges");
    }
    bool dielectric = epsilon_r > 1.35;
    if (dielectric) {
        if (mesh.lower_dielectric_begin - mesh.dielectric_begin < 8 ||
            mesh.cell_count - mesh.lower_dielectric_begin < 8 ||
            std::memcmp(&mesh.epsilon_r, &epsilon_r, sizeof epsilon_r) != 0) {
            fail("dielectric ranges");
        }
    } else if (mesh.lower_dielectric_begin != mesh.dielectric_begin ||
               mesh.cell_count != mesh.dielectric_begin || mesh.epsilon_r != 1.0) {
        fail("vacuum mesh");
    }
    if (std::memcmp(&mesh.h, &in[4], sizeof mesh.h) != 0) fail("h");

    for (int k = 0; k < 7; ++k) {
        if (!std::isfinite(in[k])) return; // beyond the index rules, any cells will do
    }
    double extent = 0;
    for (std::int32_t i = 0; i < mesh.cell_count; ++i)
        extent = std::fmax(extent, std::fabs(mesh.cells[i].center) + mesh.cells[i].half_width);
    // Each running coordinate is rounded once per cell, relatively for normal numbers
    // and by up to the smallest denormal below them.
    double tolerance = 8 * mesh.cell_count *
                       (std::numeric_limits<double>::epsilon() * extent +
                        std::numeric_limits<double>::denorm_min());
    double top = check_run(mesh, 0, mesh.strip2_begin, false, tolerance);
    double bottom = check_run(mesh, mesh.strip2_begin, mesh.dielectric_begin, false, tolerance);
    if (std::fabs(top - w1) > tolerance || std::fabs(bottom - w2) > tolerance) {
        fail("strip widths");
    }
    if (dielectric) {
        double top_face =
            check_run(mesh, mesh.dielectric_begin, mesh.lower_dielectric_begin, true, tolerance);
        double bottom_face =
            check_run(mesh, mesh.lower_dielectric_begin, mesh.cell_count, true, tolerance);
        // Both faces span the same slab.
        if (std::fabs((top_face + w1) - (bottom_face + w2)) > 2 * tolerance) fail("slab width");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    calc_env env;
    env.memory_ceiling = std::size_t{1} << 20;
    env.sinks = {collect, collect, nullptr};
    process_env_binding to_lines(env);
    double in[7] = {};
    std::memcpy(in, data, std::min(size, sizeof in));
    lines.clear();
    mesh_t *mesh = mesh_new(in[0], in[1], in[2], in[3], in[4], in[5], in[6]);
    if (mesh) {
        check_mesh(*mesh, in);
    } else {
        bool illegal = lines.size() == 1 && lines[0] == L"mesh_new(): Illegal geometric length";
        bool memory = lines.size() >= 2 &&
                      lines[lines.size() - 2] == L"Create configuration failed" &&
                      lines.back() == L"mesh_new(): not enough memory";
        if (!illegal && !memory) fail("a null mesh without its lines");
    }
    mesh_free(mesh);
    if (core_alloc_live() != 0) std::abort();
    return 0;
}
