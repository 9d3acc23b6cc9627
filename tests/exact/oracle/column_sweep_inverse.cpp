// The previous fast inversion, kept as an oracle: it computes every row sum of the pivot
// search afresh in a sweep over the active columns, and its results, NaN payloads
// included, are those that the inversion has always given on this processor.
//
// Every element receives exactly the roundings of the reference elimination, step by
// step; what is free is the order in which independent elements are visited. The
// matrix is transposed in place so that a column of the elimination is contiguous:
// one sweep per step then updates each column for all rows at once (SIMD across rows)
// and, fused with it, adds the new magnitudes into the next step's row sums, each row's
// sum still taken in increasing column order. The rows are split among the cores. The
// columns left of the current block of steps no longer take part in pivot choices:
// their updates wait until the block ends and are then applied a panel of columns at a
// time, each element still receiving its updates in step order.
#include "tests/exact/oracle/column_sweep_inverse.h"

#include "core/base/alloc.h"
#include "core/base/process_env.h"
#include "core/base/simd_clones.h"
#include "core/base/worker_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace {

void transpose_square(double *a, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j)
            std::swap(a[i * n + j], a[j * n + i]);
    }
}

// The row sums of the first step: every row over every column, column by column.
SIMD_CLONES void first_sums(const double *a, std::size_t n, std::size_t lo, std::size_t hi,
                            double *sums) {
    for (std::size_t i = lo; i < hi; ++i)
        sums[i] = +0.0;
    for (std::size_t c = 0; c < n; ++c) {
        const double *col = a + c * n;
        for (std::size_t i = lo; i < hi; ++i)
            sums[i] = sums[i] + std::fabs(col[i]);
    }
}

// a[i][c] = (a[i][k] * a[k][c]) + a[i][c] for the rows [lo, hi) of one column.
SIMD_CLONES void update(double *col, const double *mult, double pivot, std::size_t lo,
                        std::size_t hi) {
    for (std::size_t i = lo; i < hi; ++i)
        col[i] = mult[i] * pivot + col[i];
}

// The same update for rows that take part in the next pivot search, adding each new
// magnitude to its row's sum.
SIMD_CLONES void update_and_sum(double *col, const double *mult, double pivot, std::size_t lo,
                                std::size_t hi, double *sums) {
    for (std::size_t i = lo; i < hi; ++i) {
        double v = mult[i] * pivot + col[i];
        col[i] = v;
        sums[i] = sums[i] + std::fabs(v);
    }
}

// Steps whose updates of the columns left of their block wait and are applied together.
constexpr std::size_t block_steps = 8;

// Columns taken together when a block's updates are applied, so that they stay in cache
// while every step of the block passes over them.
constexpr std::size_t panel_columns = 16;

struct elimination {
    double *a; // transposed: element (i, c) of the matrix is a[c * n + i]
    std::size_t n;
    std::int32_t *piv;
    double *sums;        // the next pivot search's row sums, rows k .. n - 1
    double *multipliers; // column k of each step of the block, before its scaling
    double *reciprocals; // g of each step of the block
    double g = 0;
    // The columns left of block_begin take no part in pivot choices: the steps of the
    // current block reach them only when the block ends.
    std::size_t block_begin = 0;

    double *column(std::size_t c) const { return a + c * n; }

    // One thread's share of step k: rows [lo, hi) of every column but k, then the same
    // rows of column k scaled by g.
    void sweep(std::size_t k, std::size_t lo, std::size_t hi) const {
        const double *mult = column(k);
        std::copy(mult + lo, mult + hi, multipliers + (k - block_begin) * n + lo);
        std::size_t above_end = std::min(hi, k);
        std::size_t below = std::max(lo, k + 1);
        for (std::size_t i = below; i < hi; ++i)
            sums[i] = +0.0;
        for (std::size_t c = block_begin; c < n; ++c) {
            if (c == k) continue;
            double *col = column(c);
            double pivot = col[k];
            if (lo < above_end) update(col, mult, pivot, lo, above_end);
            if (below < hi) {
                if (c > k) {
                    update_and_sum(col, mult, pivot, below, hi, sums);
                } else {
                    update(col, mult, pivot, below, hi);
                }
            }
        }
        double *pivot_column = column(k);
        for (std::size_t i = lo; i < hi; ++i) {
            if (i != k) pivot_column[i] = pivot_column[i] * g;
        }
    }

    // Pivot choice, row interchange and pivot row scaling of step k (one thread).
    void choose_pivot(std::size_t k) {
        const double *candidates = column(k);
        piv[k] = std::int32_t(k);
        double best = 0.0;
        double v = 0.0;
        for (std::size_t j = k; j < n; ++j) {
            if (candidates[j] == 0.0) continue;
            double q = std::fabs(candidates[j] / sums[j]);
            if (q > best) {
                best = q;
                v = candidates[j];
                piv[k] = std::int32_t(j);
            }
        }
        std::size_t p = std::size_t(piv[k]);
        if (p != k) {
            for (std::size_t c = block_begin; c < n; ++c)
                std::swap(column(c)[k], column(c)[p]);
        }
        g = 1.0 / v;
        reciprocals[k - block_begin] = g;
        double minus_g = -g;
        for (std::size_t c = block_begin; c < n; ++c)
            column(c)[k] = column(c)[k] * minus_g;
        column(k)[k] = g;
    }

    // The waiting steps [block_begin, block_end) applied to the columns [first, last)
    // left of the block, each column receiving them in step order exactly as the
    // elimination would have: interchange, pivot row scaled by -g, update of the rest.
    void catch_up(std::size_t block_end, std::size_t first, std::size_t last) const {
        for (std::size_t c0 = first; c0 < last; c0 += panel_columns) {
            std::size_t c1 = std::min(c0 + panel_columns, last);
            for (std::size_t k = block_begin; k < block_end; ++k) {
                const double *mult = multipliers + (k - block_begin) * n;
                double minus_g = -reciprocals[k - block_begin];
                std::size_t p = std::size_t(piv[k]);
                for (std::size_t c = c0; c < c1; ++c) {
                    double *col = column(c);
                    if (p != k) std::swap(col[k], col[p]);
                    double pivot = col[k] * minus_g;
                    col[k] = pivot;
                    update(col, mult, pivot, 0, k);
                    update(col, mult, pivot, k + 1, n);
                }
            }
        }
    }
};

} // namespace

void column_sweep_md_inverse(md_t *m) {
    std::size_t n = std::size_t(m->rows);
    // One block holds the row sums, the multipliers and reciprocals of a block of steps
    // and the pivot list.
    std::size_t doubles = n + block_steps * n + block_steps;
    void *work = core_alloc(process_env(), doubles * sizeof(double) + n * sizeof(std::int32_t));
    double *scratch = static_cast<double *>(work);
    elimination e{m->data, n,           reinterpret_cast<std::int32_t *>(scratch + doubles),
                  scratch, scratch + n, scratch + n + block_steps * n};
    transpose_square(e.a, n);

    // Each step meets at two barriers; below an order of about 500 the meetings cost
    // more than the second core gains.
    long long per_step = static_cast<long long>(n) * static_cast<long long>(n) * 4;
    run_workers(process_env(), worker_count(process_env(), per_step),
                [&e, n](int index, int count, const std::function<void()> &sync) {
                    std::size_t lo = n * std::size_t(index) / std::size_t(count);
                    std::size_t hi = n * std::size_t(index + 1) / std::size_t(count);
                    first_sums(e.a, n, lo, hi, e.sums);
                    for (std::size_t k = 0; k < n; ++k) {
                        sync();
                        if (index == 0) e.choose_pivot(k);
                        sync();
                        e.sweep(k, lo, hi);
                        std::size_t block_end = k + 1;
                        if (block_end - e.block_begin < block_steps && block_end < n) continue;
                        // The block is complete: its steps reach the columns left of it,
                        // shared out among the threads by columns.
                        sync();
                        std::size_t left = e.block_begin;
                        e.catch_up(block_end, left * std::size_t(index) / std::size_t(count),
                                   left * std::size_t(index + 1) / std::size_t(count));
                        sync();
                        if (index == 0) e.block_begin = block_end;
                    }
                });

    // The row interchanges come back as column interchanges, latest first; in the
    // transposed storage a column is contiguous.
    for (std::size_t k = n - 1; k-- > 0;) {
        std::size_t p = std::size_t(e.piv[k]);
        if (p != k) std::swap_ranges(e.column(k), e.column(k) + n, e.column(p));
    }
    transpose_square(e.a, n);
    core_release(work);
}
