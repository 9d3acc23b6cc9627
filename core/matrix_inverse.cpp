// md_inverse_direct: Gauss-Jordan inversion in place after Golub & Van Loan, "Matrix
// Computations", with the pivot row chosen by the ratio of the candidate entry to the
// sum of magnitudes of its row's active part (scaled partial pivoting).
//
// Every element receives exactly the roundings of the reference elimination, step by
// step; what is free is when. The matrix is transposed in place so that a column of the
// elimination is contiguous, and the steps are taken in blocks whose updates wait:
//
// - A step needs only its own pivot column up to date; it is computed from the waiting
//   steps of the block, and so is the pivot row, row by row of the block.
// - The pivot rule needs the winner, not the sums: every candidate row carries an
//   interval that provably holds the sum the rule would compute (row_sum_bounds.h), and
//   only the rows whose ratio interval reaches the best lower bound (the contenders)
//   have their sums computed, from their entries brought up to date.
// - When the block ends, its steps reach every other element tile by tile, a tile held
//   in registers while the steps pass over it in order (update_kernels.h).
//
// Row interchanges are made at once over the whole matrix, and also in the multipliers
// of the block's earlier steps: an interchange moves two rows that every earlier step
// of the block treats alike, so every element still meets its own operations in order.
#include "inverse_statistics.h"
#include "matrix.h"

#include "alloc.h"
#include "params.h"
#include "progress.h"
#include "row_sum_bounds.h"
#include "simd_clones.h"
#include "update_kernels.h"
#include "worker_pool.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <utility>

namespace {

std::atomic<long long> counted_steps, counted_sums, counted_sweeps, counted_blocks;

void transpose_square(double *a, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j)
            std::swap(a[i * n + j], a[j * n + i]);
    }
}

// The rule's sums of rows [k, n) over columns [k, n), each row's sum taken from +0.0 in
// increasing column order; used at the start of a block, when the matrix is current.
SIMD_CLONES void active_sums(const double *a, std::size_t n, std::size_t k, double *sums) {
    for (std::size_t j = k; j < n; ++j)
        sums[j] = +0.0;
    for (std::size_t c = k; c < n; ++c) {
        const double *col = a + c * n;
        for (std::size_t j = k; j < n; ++j)
            sums[j] = sums[j] + std::fabs(col[j]);
    }
}

// Steps whose updates wait and are applied together. Longer blocks pass over the matrix
// less often; each step's own work grows with the steps waiting before it.
constexpr std::size_t block_steps = 32;

struct elimination {
    double *a; // transposed: element (i, c) of the matrix is a[c * n + i]
    std::size_t n;
    std::int32_t *piv;
    const update_kernels *kernels;
    // Step s of the block (step block_begin + s of the elimination) keeps its pivot
    // column before the scaling (its multipliers) at mult + s n, its scaled pivot row
    // at pivot_rows + s n (not defined in the pivot column) and g at reciprocals[s];
    // block_rows + s n holds row block_begin + s of the matrix, kept up to date.
    double *mult;
    double *pivot_rows;
    double *block_rows;
    double *reciprocals;
    double *lo, *hi;  // the row sum bounds
    double *ratio_hi; // a step's upper ratio bounds, -1 for rows that cannot win
    double *row;      // a row's entries being brought up to date, or the sums
    std::size_t *contenders;
    std::size_t block_begin = 0;
    std::size_t steps = 0; // steps of the block taken so far

    double *column(std::size_t c) const { return a + c * n; }
    double *mult_of(std::size_t s) const { return mult + s * n; }
    double *pivot_row_of(std::size_t s) const { return pivot_rows + s * n; }
    double *block_row(std::size_t s) const { return block_rows + s * n; }

    // The block's steps [first, steps) applied to rows [lo_row, hi_row) of `count`
    // columns from column c on, x pointing to the first of them (in the matrix or not).
    void update_columns(double *x, std::size_t c, std::size_t count, std::size_t first,
                        std::size_t lo_row, std::size_t hi_row) const {
        update_span span{x, n, count, mult_of(first), n, pivot_row_of(first) + c, n, steps - first};
        kernels->columns(span, lo_row, hi_row);
    }

    // Row j's entries at columns [from, n) brought into `row` from the matrix through the
    // block's steps so far. None of these columns may be a pivot column of those steps.
    void row_up_to_date(std::size_t j, std::size_t from) const {
        for (std::size_t c = from; c < n; ++c)
            row[c] = column(c)[j];
        update_span span{row, 0, 1, pivot_row_of(0), n, mult_of(0) + j, n, steps};
        kernels->rows(span, from, n);
    }

    // Column k as step k finds it, into mult_of(steps): the waiting steps applied to it;
    // the block's own rows are kept up to date already.
    double *current_column(std::size_t k) const {
        double *col = mult_of(steps);
        std::copy(column(k), column(k) + n, col);
        std::size_t end = block_begin + steps;
        update_columns(col, k, 1, 0, 0, block_begin);
        update_columns(col, k, 1, 0, end, n);
        for (std::size_t s = 0; s < steps; ++s)
            col[block_begin + s] = block_row(s)[k];
        return col;
    }

    struct choice {
        bool made;     // false: end the block first, then take the step afresh
        bool found;    // false: no candidate; the pivot value is 0.0
        std::size_t p; // the pivot row
        double best;   // its ratio
    };

    // The rule's comparison of candidate j, whose sum is `sum`, with the best so far:
    // strictly greater, so that among equal ratios the lowest row keeps the place and
    // a NaN ratio never wins.
    static void consider(std::size_t j, double entry, double sum, choice &c) {
        double q = std::fabs(entry / sum);
        if (q > c.best) {
            c.best = q;
            c.p = j;
            c.found = true;
        }
    }

    void reset_bounds(std::size_t j, double sum, std::size_t terms) const {
        sum_bounds b = sum_bounds_from(sum, terms);
        lo[j] = b.lo;
        hi[j] = b.hi;
    }

    // The pivot row of step k by the rule, from column k as the step finds it.
    choice choose_pivot(std::size_t k, const double *col) const {
        std::size_t terms = n - k;
        double best_lo = 0.0;
        for (std::size_t j = k; j < n; ++j) {
            double magnitude = std::fabs(col[j]);
            // A zero entry is passed over; an infinite or NaN one gives a NaN ratio,
            // which never wins.
            if (magnitude == 0.0 || !std::isfinite(magnitude)) {
                ratio_hi[j] = -1.0;
                continue;
            }
            ratio_bounds r = ratio_bounds_of(magnitude, {lo[j], hi[j]}, terms);
            ratio_hi[j] = r.known ? r.hi : INFINITY;
            best_lo = std::max(best_lo, r.lo);
        }
        std::size_t count = 0;
        for (std::size_t j = k; j < n; ++j) {
            if (ratio_hi[j] >= best_lo) contenders[count++] = j;
        }
        choice c{true, false, k, 0.0};
        // A single contender with a positive lower bound has a ratio above all others
        // (theirs lie below that bound), whatever the sums.
        if (count == 1 && best_lo > 0.0) {
            c.found = true;
            c.p = contenders[0];
            return c;
        }
        // Many contenders cost more one by one than a pass over the active part of the
        // matrix, which needs the matrix current: at the start of a block.
        if (count > std::max<std::size_t>(8, terms / 32)) {
            if (steps > 0) return {false, false, k, 0.0};
            counted_sweeps.fetch_add(1, std::memory_order_relaxed);
            active_sums(a, n, k, row);
            for (std::size_t j = k; j < n; ++j) {
                if (col[j] == 0.0) continue;
                reset_bounds(j, row[j], terms);
                consider(j, col[j], row[j], c);
            }
            return c;
        }
        counted_sums.fetch_add(static_cast<long long>(count), std::memory_order_relaxed);
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t j = contenders[i];
            row_up_to_date(j, k + 1);
            double sum = +0.0;
            sum = sum + std::fabs(col[j]);
            for (std::size_t c2 = k + 1; c2 < n; ++c2)
                sum = sum + std::fabs(row[c2]);
            // Without this reset the intervals would widen with every step of a block.
            reset_bounds(j, sum, terms);
            consider(j, col[j], sum, c);
        }
        return c;
    }

    // Exchanges rows k and p wherever they are held: every column of the matrix (all
    // of them wait for the block's steps), the multipliers of the block's steps so far
    // and the bounds.
    void interchange(std::size_t k, std::size_t p) const {
        for (std::size_t c = 0; c < n; ++c)
            std::swap(column(c)[k], column(c)[p]);
        for (std::size_t s = 0; s <= steps; ++s)
            std::swap(mult_of(s)[k], mult_of(s)[p]);
        std::swap(lo[k], lo[p]);
        std::swap(hi[k], hi[p]);
    }

    // Row k as step k finds it, scaled by -g into the step's pivot row and kept as a
    // block row; the block's earlier rows receive the step.
    void make_pivot_row(std::size_t k, double g) const {
        row_up_to_date(k, 0);
        // The block's pivot columns so far had their scaling by g at their own step:
        // from there on they are the scaled multipliers and then normal updates.
        for (std::size_t t = 0; t < steps; ++t) {
            std::size_t c = block_begin + t;
            row[c] = mult_of(t)[k] * reciprocals[t];
            update_span span{row,          0, 1, pivot_row_of(t + 1), n, mult_of(t + 1) + k, n,
                             steps - t - 1};
            kernels->rows(span, c, c + 1);
        }
        double minus_g = -g;
        double *pivot = pivot_row_of(steps);
        for (std::size_t c = 0; c < n; ++c)
            pivot[c] = row[c] * minus_g;
        pivot[k] = 0.0;
        // The block's earlier rows: a[r][c] = (a[r][k] * a[k][c]) + a[r][c], and column k
        // of them, already in the multipliers, scaled by g.
        const double *col = mult_of(steps);
        update_span span{block_rows, n, steps, pivot, n, col + block_begin, 1, 1};
        kernels->rows(span, 0, n);
        for (std::size_t s = 0; s < steps; ++s)
            block_row(s)[k] = col[block_begin + s] * g;
        std::copy(pivot, pivot + n, block_row(steps));
        block_row(steps)[k] = g;
    }

    // The bounds of the rows below k carried over step k.
    void carry_bounds(std::size_t k) const {
        if (k + 1 >= n) return;
        const double *pivot = pivot_row_of(steps);
        double sum = +0.0;
        for (std::size_t c = k + 1; c < n; ++c)
            sum = sum + std::fabs(pivot[c]);
        sum_bounds_step(lo, hi, mult_of(steps), k + 1, n, sum_bounds_from(sum, n - k - 1).hi, n);
    }

    // Step k of the block; false when the block has to end before it.
    bool step(std::size_t k) {
        const double *col = current_column(k);
        choice c = choose_pivot(k, col);
        if (!c.made) return false;
        piv[k] = std::int32_t(c.p);
        if (c.p != k) interchange(k, c.p);
        double v = c.found ? col[k] : 0.0;
        double g = 1.0 / v;
        make_pivot_row(k, g);
        carry_bounds(k);
        reciprocals[steps] = g;
        ++steps;
        counted_steps.fetch_add(1, std::memory_order_relaxed);
        progress_report(progress_phase::invert, double(k) / double(n));
        return true;
    }

    // Takes the steps of the next block, until it is full, the elimination ends or a
    // step asks for the block to end before it.
    void take_block() {
        block_begin += steps;
        steps = 0;
        counted_blocks.fetch_add(1, std::memory_order_relaxed);
        while (steps < block_steps && block_begin + steps < n) {
            if (!step(block_begin + steps)) break;
        }
    }

    // The block's steps applied to the columns [first, last) of the matrix, each
    // element receiving them in step order.
    void apply_block(std::size_t first, std::size_t last) const {
        std::size_t end = block_begin + steps;
        auto others = [&](std::size_t c0, std::size_t c1) {
            if (c0 >= c1) return;
            update_columns(column(c0), c0, c1 - c0, 0, 0, block_begin);
            update_columns(column(c0), c0, c1 - c0, 0, end, n);
        };
        others(first, std::min(last, block_begin));
        others(std::max(first, end), last);
        // The block's own pivot columns: the scaled multipliers at their step, then the
        // steps after it.
        for (std::size_t c = std::max(first, block_begin); c < std::min(last, end); ++c) {
            std::size_t t = c - block_begin;
            double *col = column(c);
            const double *m = mult_of(t);
            double g = reciprocals[t];
            for (std::size_t i = 0; i < block_begin; ++i)
                col[i] = m[i] * g;
            for (std::size_t i = end; i < n; ++i)
                col[i] = m[i] * g;
            update_columns(col, c, 1, t + 1, 0, block_begin);
            update_columns(col, c, 1, t + 1, end, n);
        }
        for (std::size_t c = first; c < last; ++c) {
            for (std::size_t s = 0; s < steps; ++s)
                column(c)[block_begin + s] = block_row(s)[c];
        }
    }
};

} // namespace

inverse_statistics inverse_statistics_get() {
    return {counted_steps.load(), counted_sums.load(), counted_sweeps.load(),
            counted_blocks.load()};
}

void inverse_statistics_reset() {
    counted_steps = 0;
    counted_sums = 0;
    counted_sweeps = 0;
    counted_blocks = 0;
}

int md_inverse_direct(md_t *m) {
    std::size_t n = std::size_t(m->rows);
    // The block's multipliers, pivot rows and rows (block_steps x n each) and
    // reciprocals; the bounds, the upper ratio bounds and one row (n each); the
    // contender list and the pivot list.
    std::size_t doubles = 3 * block_steps * n + block_steps + 4 * n;
    std::size_t bytes =
        doubles * sizeof(double) + n * sizeof(std::size_t) + n * sizeof(std::int32_t);
    void *work = core_alloc(bytes);
    if (!work) {
        error_sink(L"md_inverse_direct(): not enough memory");
        return -1;
    }
    double *d = static_cast<double *>(work);
    elimination e{};
    e.a = m->data;
    e.n = n;
    e.kernels = &update_kernels_get();
    e.mult = d;
    e.pivot_rows = d + block_steps * n;
    e.block_rows = d + 2 * block_steps * n;
    e.reciprocals = d + 3 * block_steps * n;
    e.lo = e.reciprocals + block_steps;
    e.hi = e.lo + n;
    e.ratio_hi = e.hi + n;
    e.row = e.ratio_hi + n;
    e.contenders = reinterpret_cast<std::size_t *>(d + doubles);
    e.piv = reinterpret_cast<std::int32_t *>(e.contenders + n);
    // Nothing is known of the sums yet: the first step takes them all exactly.
    for (std::size_t j = 0; j < n; ++j) {
        e.lo[j] = 0.0;
        e.hi[j] = std::nan("");
    }
    transpose_square(e.a, n);

    // The threads meet twice a block; below an order of about 200 the meetings cost
    // more than the second core gains.
    long long per_block =
        static_cast<long long>(n) * static_cast<long long>(n) * static_cast<long long>(block_steps);
    run_workers(worker_count(per_block),
                [&e, n](int index, int count, const std::function<void()> &sync) {
                    for (;;) {
                        if (index == 0) e.take_block();
                        sync();
                        e.apply_block(n * std::size_t(index) / std::size_t(count),
                                      n * std::size_t(index + 1) / std::size_t(count));
                        bool last = e.block_begin + e.steps == n;
                        sync();
                        if (last) break;
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
    return 0;
}
