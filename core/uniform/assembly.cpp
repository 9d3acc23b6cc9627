// Assembly of P and F, row by row: the top strip, the bottom strip, then the bare top
// and bottom faces. Every entry depends only on its two cells, h and epsilon_r, so the
// rows are filled on all cores at once. On a uniform mesh about half the entries of a
// row see exactly the node offsets of the entry up and to the left, (i - 1, j - 1), and
// are copied from it instead of spending a hundred logarithms or divisions again. The
// rule's points are taken once per block of cells for a run of rows, so that finding a
// repeat costs a comparison of offsets.
#include "core/uniform/assembly.h"

#include "core/base/process_env.h"
#include "core/base/worker_pool.h"
#include "core/uniform/kernels.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

struct cell_range {
    std::int32_t begin;
    std::int32_t end;
};

// Cells whose points are held at once: a block of columns and the cell before it.
constexpr std::int32_t block_cells = 32;

// The rule's points of the cells [first, first + count), each at x + q * capacity.
struct cell_points {
    std::int32_t first = 0;
    std::int32_t count = 0;
    int points[block_cells + 1]; // 0: more than can be held
    double delta[block_cells + 1];
    double x[(block_cells + 1) * kernel_point_capacity];

    void take(const mesh_t *mesh, std::int32_t from, std::int32_t to) {
        first = from;
        count = to - from;
        for (std::int32_t q = 0; q < count; ++q)
            points[q] =
                kernel_points(mesh->cells[from + q], x + q * kernel_point_capacity, &delta[q]);
    }

    // Whether cell j seen from xi has bit for bit the offsets and delta of cell j - 1
    // seen from seen_xi; false unless both are held.
    bool same_offsets(std::int32_t j, double xi, double seen_xi) const {
        std::int32_t q = j - first;
        if (q < 1 || q >= count) return false;
        int m = points[q];
        if (m == 0 || m != points[q - 1] || delta[q] != delta[q - 1]) return false;
        const double *a = x + q * kernel_point_capacity;
        const double *b = a - kernel_point_capacity;
        // Most pairs that differ do so at once; the rest are compared whole.
        if (a[0] - xi != b[0] - seen_xi) return false;
        bool same = true;
        for (int k = 1; k < m; ++k)
            same &= a[k] - xi == b[k] - seen_xi;
        return same;
    }
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

    // Whether entry (i, j) of a row that follows a filled row i - 1 of its own kind
    // (`after`: the same kernels over the same column ranges) equals entry (i - 1, j - 1)
    // bit for bit, because the rule sees the same node offsets for both.
    bool repeats(bool after, std::int32_t i, std::int32_t j, cell_range columns,
                 const cell_points &held) const {
        return after && j > columns.begin &&
               held.same_offsets(j, cell(i).center, cell(i - 1).center);
    }
    void copy_up_left(std::int32_t i, std::int32_t j, bool with_f) const {
        p_at(i, j) = p_at(i - 1, j - 1);
        if (with_f) f_at(i, j) = f_at(i - 1, j - 1);
    }

    // Fills the columns of part in row i with entry(j), except those that repeat the
    // entry up and to the left (P's, and F's too when with_f), which are copied; the
    // row's own cell (own, or -1 for none) is always entry's.
    template <class Entry>
    void fill_row(std::int32_t i, cell_range columns, cell_range part, bool after,
                  const cell_points &held, bool with_f, std::int32_t own, Entry entry) const {
        for (std::int32_t j = part.begin; j < part.end; ++j) {
            if (j != own && repeats(after, i, j, columns, held)) {
                copy_up_left(i, j, with_f);
                continue;
            }
            entry(j);
        }
    }

    // Potential of the cells of the row's own face; the row's own cell is the exact
    // self term instead of a trapezoid over the logarithmic singularity.
    void same_face(std::int32_t i, cell_range columns, cell_range part, bool after,
                   const cell_points &held) const {
        double xi = cell(i).center;
        fill_row(i, columns, part, after, held, false, i, [&](std::int32_t j) {
            if (j == i) {
                p_at(i, j) = kernel_self(cell(i).half_width);
                return;
            }
            trapezoid t = kernel_same_face(xi, cell(j));
            p_at(i, j) = (t.bracket * -potential_factor) * t.delta;
        });
    }

    // Strip row, cells of the opposite face: their potential in P, and in F the free
    // charge that their normal field induces at the row's cell.
    void opposite_face(std::int32_t i, cell_range columns, cell_range part, bool after,
                       const cell_points &held) const {
        double xi = cell(i).center;
        fill_row(i, columns, part, after, held, true, -1, [&](std::int32_t j) {
            trapezoid_pair t = kernel_opposite_face(xi, cell(j), mesh->h);
            p_at(i, j) = (t.potential * -potential_factor) * t.delta;
            f_at(i, j) = (t.field * free_charge_coefficient) * t.delta;
        });
    }

    // Dielectric row of a bare face, the field of the opposite face's cells. On the top
    // face P is F's row scaled by 2 pi / (1 - eps), so the field term enters with
    // coefficient 1 (bracket * 1 is the bracket itself). On the bottom face the scale is
    // -2 pi / (1 - eps), and F's term is grouped as coefficient * (delta * bracket),
    // which can differ in the last bit.
    void face_flux(bool top, std::int32_t i, cell_range columns, cell_range part, bool after,
                   const cell_points &held) const {
        double xi = cell(i).center;
        fill_row(i, columns, part, after, held, true, -1, [&](std::int32_t j) {
            trapezoid t = kernel_field(xi, cell(j), mesh->h);
            if (top) {
                p_at(i, j) = t.bracket * t.delta;
                f_at(i, j) = (t.bracket * free_charge_coefficient) * t.delta;
            } else {
                p_at(i, j) = -(t.bracket * t.delta);
                f_at(i, j) = free_charge_coefficient * (t.delta * t.bracket);
            }
        });
    }
};

} // namespace

bool assemble_system(const mesh_t *mesh, md_t *potential, md_t *free_charge) {
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

    // The entries of row i in the columns of `block`. With previous_filled, row i - 1
    // is complete there and in the blocks before, and where it is of the same kind its
    // entries serve the repeats.
    auto fill_part = [&](std::int32_t i, bool previous_filled, cell_range block,
                         const cell_points &held) {
        auto after = [&](cell_range rows) { return previous_filled && i - 1 >= rows.begin; };
        auto in = [&](cell_range r) {
            return cell_range{std::max(r.begin, block.begin), std::min(r.end, block.end)};
        };
        if (i < bottom_strip.end) {
            // A strip row: the cells of its own face by the same-face kernel, the others'
            // by the opposite-face one, in the order T, DT, B, DB.
            bool top = i < top_strip.end;
            bool r = after(top ? top_strip : bottom_strip);
            for (auto [range, upper] :
                 {std::pair{top_strip, true}, std::pair{top_face, true},
                  std::pair{bottom_strip, false}, std::pair{bottom_face, false}}) {
                if (upper == top) {
                    a.same_face(i, range, in(range), r, held);
                } else {
                    a.opposite_face(i, range, in(range), r, held);
                }
            }
        } else if (i < top_face.end) {
            bool r = after(top_face);
            a.face_flux(true, i, bottom_strip, in(bottom_strip), r, held);
            a.face_flux(true, i, bottom_face, in(bottom_face), r, held);
        } else {
            bool r = after(bottom_face);
            a.face_flux(false, i, top_strip, in(top_strip), r, held);
            a.face_flux(false, i, top_face, in(top_face), r, held);
        }
    };
    auto diagonal = [&](std::int32_t i) {
        a.f_at(i, i) = own_share;
        if (i >= bottom_strip.end) a.p_at(i, i) = i < top_face.end ? top_diagonal : bottom_diagonal;
    };
    // The strip rows cost a hundred logarithms an entry and the face rows a hundred
    // divisions, so runs of rows are dealt out in turn rather than in halves; a run is
    // filled a block of columns at a time, row after row, so that each row follows its
    // predecessor on the same thread and the block's points are taken once.
    std::int32_t n = mesh->cell_count;
    constexpr std::int32_t run_rows = 16;
    long long work = 100LL * n * n;
    run_workers(process_env(), worker_count(process_env(), work),
                [&](int index, int count, const std::function<void()> &) {
                    cell_points held;
                    for (std::int32_t first = index * run_rows;
                         first < n && !env_cancelled(process_env()); first += count * run_rows) {
                        std::int32_t last = std::min(first + run_rows, n);
                        for (std::int32_t i = first; i < last; ++i)
                            diagonal(i);
                        for (std::int32_t j0 = 0; j0 < n; j0 += block_cells) {
                            cell_range block{j0, std::min(j0 + block_cells, n)};
                            held.take(mesh, std::max(j0 - 1, 0), block.end);
                            for (std::int32_t i = first; i < last; ++i)
                                fill_part(i, i > first, block, held);
                        }
                        if (index == 0) progress_report(progress_phase::fill, double(last) / n);
                    }
                });
    return !env_cancelled(process_env());
}
