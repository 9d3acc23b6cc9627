// Assembly of P and F, row by row: the top strip, the bottom strip, then the bare top
// and bottom faces. Every entry depends only on its two cells, h and epsilon_r, so the
// rows are filled on all cores at once.
#include "assembly.h"

#include "kernels.h"
#include "progress.h"
#include "worker_pool.h"

#include <cstdint>

namespace {

struct cell_range {
    std::int32_t begin;
    std::int32_t end;
};

struct assembly {
    const mesh_t *mesh;
    md_t *p;
    md_t *f;
    double free_charge_coefficient; // (1 - eps) / 2 pi, the opposite face's share of F

    double &p_at(std::int32_t i, std::int32_t j) const {
        return p->data[std::size_t(i) * std::size_t(p->cols) + std::size_t(j)];
    }
    double &f_at(std::int32_t i, std::int32_t j) const {
        return f->data[std::size_t(i) * std::size_t(f->cols) + std::size_t(j)];
    }
    const cell_t &cell(std::int32_t j) const { return mesh->cells[j]; }

    // Potential of the cells of the row's own face; the row's own cell is the exact
    // self term instead of a trapezoid over the logarithmic singularity.
    void same_face(std::int32_t i, cell_range columns) const {
        double xi = cell(i).center;
        for (std::int32_t j = columns.begin; j < columns.end; ++j) {
            if (j == i) {
                p_at(i, j) = kernel_self(cell(i).half_width);
                continue;
            }
            trapezoid t = kernel_same_face(xi, cell(j));
            p_at(i, j) = (t.bracket * -potential_factor) * t.delta;
        }
    }

    // Strip row, cells of the opposite face: their potential in P, and in F the free
    // charge that their normal field induces at the row's cell.
    void opposite_face(std::int32_t i, cell_range columns) const {
        double xi = cell(i).center;
        for (std::int32_t j = columns.begin; j < columns.end; ++j) {
            trapezoid_pair t = kernel_opposite_face(xi, cell(j), mesh->h);
            p_at(i, j) = (t.potential * -potential_factor) * t.delta;
            f_at(i, j) = (t.field * free_charge_coefficient) * t.delta;
        }
    }

    // Dielectric row of the top face: P is F's row scaled by 2 pi / (1 - eps), so the
    // field term enters with coefficient 1 (bracket * 1 is the bracket itself).
    void top_face_flux(std::int32_t i, cell_range columns) const {
        double xi = cell(i).center;
        for (std::int32_t j = columns.begin; j < columns.end; ++j) {
            trapezoid t = kernel_field(xi, cell(j), mesh->h);
            p_at(i, j) = t.bracket * t.delta;
            f_at(i, j) = (t.bracket * free_charge_coefficient) * t.delta;
        }
    }

    // Dielectric row of the bottom face: the scale is -2 pi / (1 - eps). F's term here
    // is grouped as coefficient * (delta * bracket), which can differ in the last bit.
    void bottom_face_flux(std::int32_t i, cell_range columns) const {
        double xi = cell(i).center;
        for (std::int32_t j = columns.begin; j < columns.end; ++j) {
            trapezoid t = kernel_field(xi, cell(j), mesh->h);
            p_at(i, j) = -(t.bracket * t.delta);
            f_at(i, j) = free_charge_coefficient * (t.delta * t.bracket);
        }
    }
};

} // namespace

void assemble_system(const mesh_t *mesh, md_t *potential, md_t *free_charge) {
    double eps = mesh->epsilon_r;
    assembly a{mesh, potential, free_charge, (1 - eps) / 6.283185307179586};
    cell_range top_strip{mesh->strip1_begin, mesh->strip2_begin};
    cell_range bottom_strip{mesh->strip2_begin, mesh->dielectric_begin};
    cell_range top_face{mesh->dielectric_begin, mesh->lower_dielectric_begin};
    cell_range bottom_face{mesh->lower_dielectric_begin, mesh->cell_count};
    double own_share = (1 + eps) * 0.5;
    // D = (eps + 1) pi / (1 - eps): the flux-continuity diagonal. The mesh has bare-face
    // cells only for eps > 1.35, so 1 - eps is never zero where it is used.
    double top_diagonal = (eps + 1) * 3.141592653589793 / (1 - eps);
    double bottom_diagonal = (eps + 1) * -3.141592653589793 / (1 - eps);

    // One row of P and F; rows are independent of each other.
    auto fill_row = [&](std::int32_t i) {
        a.f_at(i, i) = own_share;
        if (i < top_strip.end) {
            a.same_face(i, top_strip);
            a.same_face(i, top_face);
            a.opposite_face(i, bottom_strip);
            a.opposite_face(i, bottom_face);
        } else if (i < bottom_strip.end) {
            a.opposite_face(i, top_strip);
            a.opposite_face(i, top_face);
            a.same_face(i, bottom_strip);
            a.same_face(i, bottom_face);
        } else if (i < top_face.end) {
            a.p_at(i, i) = top_diagonal;
            a.top_face_flux(i, bottom_strip);
            a.top_face_flux(i, bottom_face);
        } else {
            a.bottom_face_flux(i, top_strip);
            a.bottom_face_flux(i, top_face);
            a.p_at(i, i) = bottom_diagonal;
        }
    };
    // The strip rows cost a hundred logarithms an entry and the face rows a hundred
    // divisions, so the rows are dealt out in turn rather than in halves.
    std::int32_t n = mesh->cell_count;
    long long work = 100LL * n * n;
    run_workers(worker_count(work), [&](int index, int count, const std::function<void()> &) {
        for (std::int32_t i = index; i < n; i += count) {
            fill_row(i);
            if (index == 0) progress_report(progress_phase::fill, double(i + 1) / n);
        }
    });
}
