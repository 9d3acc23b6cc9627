// md_inverse_direct: Gauss-Jordan inversion in place after Golub & Van Loan, "Matrix
// Computations", with the pivot row chosen by the ratio of the candidate entry to the
// sum of magnitudes of its row's active part (scaled partial pivoting).
//
// Every element receives exactly the roundings of the reference elimination, step by
// step; what is free is when. The matrix is transposed in place so that a column of the
// elimination is contiguous, and the steps are taken in blocks whose updates wait:
//
// - A step needs only its own pivot column up to date; it is computed from the waiting
//   steps of the block, and so is the pivot row.
// - The pivot rule needs the winner, not the sums: every candidate row carries an
//   interval that provably holds the sum the rule would compute (row_sum_bounds.h), and
//   only the rows whose ratio interval reaches the best lower bound (the contenders)
//   have their sums computed, from their entries brought up to date.
// - When the block ends, its steps reach every other element tile by tile, a tile held
//   in registers while the steps pass over it in order (update_kernels.h).
//
// Nothing of the block is stored outside the matrix but the multipliers of the block's
// rows: once its step is taken, a pivot column's old entries are dead, so the column
// holds its multipliers, and a pivot row's old entries are dead, so the row holds its
// scaled pivot row. Where the two meet, in the block's rows of the block's columns, the
// row wins and the multipliers go to a small corner array. The block's rows themselves
// receive their later steps only when the block ends.
//
// Row interchanges are made at once over the whole matrix: an interchange moves two rows
// that every earlier step of the block treats alike (neither is a block row), so every
// element still meets its own operations in order.
//
// One thread takes the steps of a block; the end of the block is shared out by rows,
// then the block's rows by columns. Where the bounds decide little (many contenders),
// a block ends early and its end adds up the rule's sums for the next step on the way,
// so that such a matrix costs about one pass over it per step, as the sums alone would.
#include "core/dense/matrix_inverse.h"
#include "core/base/messages.h"
#include "core/dense/matrix.h"

#include "core/base/alloc.h"
#include "core/base/params.h"
#include "core/base/process_env.h"
#include "core/base/simd_clones.h"
#include "core/base/worker_pool.h"
#include "core/dense/row_sum_bounds.h"
#include "core/dense/update_kernels.h"

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
    // Step t of the block (step block_begin + t of the elimination): its multipliers
    // (column block_begin + t before the scaling by g) are in that column, except those
    // of the block's rows, which are corner[t * block_steps + r] for block row r; its
    // scaled pivot row is in row block_begin + t (undefined in its own column); its g
    // is reciprocals[t].
    double *corner;
    double *reciprocals;
    double *lo, *hi;  // the row sum bounds
    double *ratio_hi; // a step's upper ratio bounds, -1 for rows that cannot win
    double *row;      // a row's entries being brought up to date, or the sums
    std::size_t *contenders;
    std::size_t block_begin = 0;
    std::size_t steps = 0; // steps of the block taken so far
    // A column brought up to date by a step that then waited for the next block; that
    // step had many contenders, so the end of the block adds up the rule's sums of the
    // next step in `row` (sums_ready) as it passes over the active columns.
    std::size_t current = SIZE_MAX;
    bool sums_ready = false;
    // Set between blocks when the run's environment asks the inversion to stop.
    bool cancelled = false;

    double *column(std::size_t c) const { return a + c * n; }
    double *corner_row(std::size_t t) const { return corner + t * block_steps; }

    // The block's steps [first, steps) applied to rows [lo_row, hi_row) of the columns
    // [c, c + count).
    void update_columns(std::size_t c, std::size_t count, std::size_t first, std::size_t lo_row,
                        std::size_t hi_row, double *sums = nullptr) const {
        update_span span{.x = column(c),
                         .x_stride = n,
                         .vectors = count,
                         .along = column(block_begin + first),
                         .along_stride = n,
                         .along_step = 1,
                         .per_vector = column(c) + block_begin + first,
                         .per_stride = 1,
                         .per_step = n,
                         .steps = steps - first,
                         .sums = sums};
        kernels->columns(span, lo_row, hi_row);
    }

    // Row j's entries at columns [from, to) brought into `row` through the block's steps
    // [first, steps), row[c] holding column c's entry beforehand; none of the columns may
    // be a pivot column of those steps, nor j a block row.
    void update_row(std::size_t j, std::size_t first, std::size_t from, std::size_t to) const {
        update_span span{.x = row,
                         .x_stride = 0,
                         .vectors = 1,
                         .along = a + block_begin + first,
                         .along_stride = 1,
                         .along_step = n,
                         .per_vector = column(block_begin + first) + j,
                         .per_stride = n,
                         .per_step = 0,
                         .steps = steps - first,
                         .sums = nullptr};
        kernels->rows(span, from, to);
    }

    // The block's rows of `count` columns from column c, x their first (x_stride apart):
    // each holds its pivot row's value and receives the steps after its own, up to
    // `upto`, in order. Column block_begin + t, the pivot column of step t, is scaled by
    // g there instead and gets g in the pivot row.
    void settle(double *x, std::size_t x_stride, std::size_t c, std::size_t count,
                std::size_t upto) const {
        for (std::size_t t = 0; t < upto; ++t) {
            auto part = [&](std::size_t c0, std::size_t c1) {
                if (c0 >= c1) return;
                double *first = x + (c0 - c) * x_stride;
                update_span span{.x = first,
                                 .x_stride = x_stride,
                                 .vectors = c1 - c0,
                                 .along = corner_row(t),
                                 .along_stride = 0,
                                 .along_step = 1,
                                 .per_vector = first + t,
                                 .per_stride = 0,
                                 .per_step = x_stride,
                                 .steps = 1,
                                 .sums = nullptr};
                kernels->columns(span, 0, t);
            };
            std::size_t own = block_begin + t;
            if (own < c || own >= c + count) {
                part(c, c + count);
                continue;
            }
            part(c, own);
            part(own + 1, c + count);
            double *x_own = x + (own - c) * x_stride;
            for (std::size_t r = 0; r < t; ++r)
                x_own[r] = x_own[r] * reciprocals[t];
            x_own[t] = reciprocals[t];
        }
    }

    // Row j's entries at columns [from, n) brought up to date into `row`; j must not be
    // a block row, nor any of the columns a pivot column of the block.
    void row_up_to_date(std::size_t j, std::size_t from) const {
        for (std::size_t c = from; c < n; ++c)
            row[c] = column(c)[j];
        update_row(j, 0, from, n);
    }

    // Column k as step k finds it: the block's steps applied to it in place, except in
    // the block's rows, whose values go to the corner (the column's entries there are
    // pivot rows' values, which the end of the block still needs).
    double *current_column(std::size_t k) const {
        double *col = column(k);
        if (steps == 0) return col;
        update_columns(k, 1, 0, 0, block_begin);
        update_columns(k, 1, 0, k, n);
        double *mult = corner_row(steps);
        std::copy(col + block_begin, col + k, mult);
        settle(mult, 0, k, 1, steps);
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
        // Many contenders cost more one by one than the rule's sums of every row, taken
        // in one pass over the active part of the matrix while it is current: at the
        // start of a block, where the end of the last block may have added them up
        // already.
        if (sums_ready || count > std::max<std::size_t>(8, terms / 32)) {
            if (steps > 0) return {false, false, k, 0.0};
            counted_sweeps.fetch_add(1, std::memory_order_relaxed);
            if (!sums_ready) active_sums(a, n, k, row);
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

    // Exchanges rows k and p wherever they are held: every column of the matrix (the
    // waiting ones, the block's multipliers and column k) and the bounds.
    void interchange(std::size_t k, std::size_t p) const {
        for (std::size_t c = 0; c < n; ++c)
            std::swap(column(c)[k], column(c)[p]);
        std::swap(lo[k], lo[p]);
        std::swap(hi[k], hi[p]);
    }

    // Row k as step k finds it, scaled by -g into the step's pivot row, which takes the
    // row's place; returns the rounded sum of its magnitudes right of column k. The
    // earlier steps' multipliers of row k move to the corner: it is a block row now.
    double make_pivot_row(std::size_t k, double g) const {
        for (std::size_t c = 0; c < n; ++c)
            row[c] = column(c)[k];
        for (std::size_t t = 0; t < steps; ++t)
            corner_row(t)[steps] = row[block_begin + t];
        update_row(k, 0, 0, block_begin);
        update_row(k, 0, k + 1, n);
        // The block's pivot columns so far had their scaling by g at their own step:
        // from there on they are the scaled multipliers and then normal updates.
        for (std::size_t t = 0; t < steps; ++t) {
            std::size_t c = block_begin + t;
            row[c] = row[c] * reciprocals[t];
            update_row(k, t + 1, c, c + 1);
        }
        double minus_g = -g;
        for (std::size_t c = 0; c < n; ++c) {
            if (c != k) column(c)[k] = row[c] * minus_g;
        }
        double sum = +0.0;
        for (std::size_t c = k + 1; c < n; ++c)
            sum = sum + std::fabs(column(c)[k]);
        return sum;
    }

    // Step k of the block; false when the block has to end before it.
    bool step(std::size_t k) {
        const double *col = current_column(k);
        choice c = choose_pivot(k, col);
        if (!c.made) {
            current = k;
            sums_ready = true;
            return false;
        }
        piv[k] = std::int32_t(c.p);
        if (c.p != k) interchange(k, c.p);
        sums_ready = false;
        double v = c.found ? col[k] : 0.0;
        double g = 1.0 / v;
        double pivot_sum = make_pivot_row(k, g);
        // The bounds of the rows below k carried over the step.
        if (k + 1 < n) {
            sum_bounds_step(lo, hi, col, k + 1, n, sum_bounds_from(pivot_sum, n - k - 1).hi, n);
        }
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
        current = SIZE_MAX;
        counted_blocks.fetch_add(1, std::memory_order_relaxed);
        while (steps < block_steps && block_begin + steps < n) {
            if (!step(block_begin + steps)) break;
        }
    }

    // The end of a block, first part: its steps reach the rows [lo_row, hi_row) outside
    // the block's rows of every column, tile by tile, and the block's pivot columns there
    // last, in step order (each holds multipliers that the tiles and the later pivot
    // columns read unscaled). With sums_ready, the new entries of the next step's
    // candidate rows are added up in column order on the way.
    void apply_to_rows(std::size_t lo_row, std::size_t hi_row) const {
        std::size_t end = block_begin + steps;
        std::size_t ranges[2][2] = {{lo_row, std::min(hi_row, block_begin)},
                                    {std::max(lo_row, end), hi_row}};
        for (const auto &r : ranges) {
            if (r[0] >= r[1]) continue;
            update_columns(0, block_begin, 0, r[0], r[1]);
            if (current == SIZE_MAX) {
                update_columns(end, n - end, 0, r[0], r[1]);
                continue;
            }
            // The column that its step brought up to date is the first active one.
            double *sums = r[0] >= end && sums_ready ? row : nullptr;
            if (sums) {
                for (std::size_t i = r[0]; i < r[1]; ++i)
                    sums[i] = +0.0 + std::fabs(column(current)[i]);
            }
            update_columns(current + 1, n - current - 1, 0, r[0], r[1], sums);
        }
        for (std::size_t t = 0; t < steps; ++t) {
            std::size_t c = block_begin + t;
            double *col = column(c);
            for (const auto &r : ranges) {
                if (r[0] >= r[1]) continue;
                for (std::size_t i = r[0]; i < r[1]; ++i)
                    col[i] = col[i] * reciprocals[t];
                update_columns(c, 1, t + 1, r[0], r[1]);
            }
        }
    }

    // The second part, once no thread reads the pivot rows' values any more: the
    // block's rows of the columns [first, last).
    void apply_to_block_rows(std::size_t first, std::size_t last) const {
        if (first < last) settle(column(first) + block_begin, n, first, last - first, steps);
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
    // The corner and the reciprocals of a block; the bounds, the upper ratio bounds and
    // one row (n each); the contender list and the pivot list.
    std::size_t doubles = block_steps * block_steps + block_steps + 4 * n;
    std::size_t bytes =
        doubles * sizeof(double) + n * sizeof(std::size_t) + n * sizeof(std::int32_t);
    void *work = core_alloc(process_env(), bytes);
    if (!work) {
        error_sink(L"md_inverse_direct(): not enough memory");
        return -1;
    }
    double *d = static_cast<double *>(work);
    elimination e{};
    e.a = m->data;
    e.n = n;
    e.kernels = &update_kernels_get();
    e.corner = d;
    e.reciprocals = d + block_steps * block_steps;
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

    // The threads meet three times a block; below an order of about 200 the meetings
    // cost more than the second core gains.
    long long per_block =
        static_cast<long long>(n) * static_cast<long long>(n) * static_cast<long long>(block_steps);
    run_workers(process_env(), worker_count(process_env(), per_block),
                [&e, n](int index, int count, const std::function<void()> &sync) {
                    std::size_t share_begin = n * std::size_t(index) / std::size_t(count);
                    std::size_t share_end = n * std::size_t(index + 1) / std::size_t(count);
                    for (;;) {
                        if (index == 0) {
                            e.cancelled = env_cancelled(process_env());
                            if (!e.cancelled) e.take_block();
                        }
                        sync();
                        if (e.cancelled) break;
                        e.apply_to_rows(share_begin, share_end);
                        sync();
                        e.apply_to_block_rows(share_begin, share_end);
                        bool last = e.block_begin + e.steps == n;
                        sync();
                        if (last) break;
                    }
                });

    if (e.cancelled) {
        core_release(work);
        return -1;
    }
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
