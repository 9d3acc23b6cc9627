// The dense matrix toolkit. Gauss-Jordan inversion after Golub & Van Loan, "Matrix
// Computations", with the pivot row chosen by the ratio of the candidate entry to the
// sum of magnitudes of its row's active part (scaled partial pivoting).
#include "matrix.h"

#include "alloc.h"
#include "params.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

std::size_t element_count(const md_t *m) {
    return std::size_t(m->rows) * std::size_t(m->cols);
}

double *row(md_t *m, std::int32_t i) {
    return m->data + std::size_t(i) * std::size_t(m->cols);
}

const double *row(const md_t *m, std::int32_t i) {
    return m->data + std::size_t(i) * std::size_t(m->cols);
}

} // namespace

md_t *md_new_within(std::int32_t rows, std::int32_t cols, std::size_t working_set) {
    if (rows <= 0 || cols <= 0) {
        error_sink(L"md_new():number of rows and columns must be positive");
        return nullptr;
    }
    auto no_memory = [](md_t *record) -> md_t * {
        core_release(record);
        error_sink(L"md_new(): not enough memory");
        return nullptr;
    };
    std::int64_t count = std::int64_t(rows) * std::int64_t(cols);
    if (count > std::numeric_limits<std::int32_t>::max() || !core_memory_fits(working_set)) {
        return no_memory(nullptr);
    }
    md_t *m = static_cast<md_t *>(core_alloc(sizeof(md_t)));
    if (!m) return no_memory(nullptr);
    m->rows = rows;
    m->cols = cols;
    m->data = static_cast<double *>(core_alloc(std::size_t(count) * sizeof(double)));
    if (!m->data) return no_memory(m);
    return m;
}

md_t *md_new(std::int32_t rows, std::int32_t cols) {
    return md_new_within(rows, cols, 0);
}

md_t *md_new_identity(std::int32_t n) {
    md_t *m = md_new(n, n);
    if (!m) return nullptr;
    md_fill(m, 0.0);
    for (std::int32_t i = 0; i < n; ++i)
        row(m, i)[i] = 1.0;
    return m;
}

void md_fill(md_t *m, double value) {
    std::size_t count = element_count(m);
    for (std::size_t i = 0; i < count; ++i)
        m->data[i] = value;
}

void md_free(md_t *m) {
    if (!m) return;
    core_release(m->data);
    core_release(m);
}

void md_set(md_t *m, std::int32_t r, std::int32_t c, double value) {
    row(m, r)[c] = value;
}

double md_get(const md_t *m, std::int32_t r, std::int32_t c) {
    return row(m, r)[c];
}

md_t *md_mul(const md_t *a, const md_t *b) {
    md_t *r = md_new(a->rows, b->cols);
    if (!r) {
        error_sink(L"md_mul(): not enough memory!");
        return nullptr;
    }
    std::int32_t inner = a->cols;
    for (std::int32_t i = 0; i < a->rows; ++i) {
        const double *a_row = row(a, i);
        double *r_row = row(r, i);
        for (std::int32_t j = 0; j < b->cols; ++j) {
            // Starting from +0.0 makes a row of zeros of either sign give +0.0.
            double s = +0.0;
            for (std::int32_t m = 0; m < inner; ++m) {
                double product = a_row[m] * row(b, m)[j];
                s = s + product;
            }
            r_row[j] = s;
        }
    }
    return r;
}

int md_inverse_direct(md_t *m) {
    std::int32_t n = m->rows;
    std::int32_t *piv =
        static_cast<std::int32_t *>(core_alloc(sizeof(std::int32_t) * std::size_t(n)));
    if (!piv) {
        error_sink(L"md_inverse_direct(): not enough memory");
        return -1;
    }

    for (std::int32_t k = 0; k < n; ++k) {
        // Pivot search. The scale of each candidate row is the magnitude sum of its
        // active part, taken afresh at every step in increasing column order. A strict
        // comparison keeps the lowest row among equal ratios, and a NaN ratio never wins.
        piv[k] = k;
        double best = 0.0;
        double v = 0.0;
        for (std::int32_t j = k; j < n; ++j) {
            const double *cand = row(m, j);
            if (cand[k] == 0.0) continue;
            double sum = +0.0;
            for (std::int32_t c = k; c < n; ++c)
                sum = sum + std::fabs(cand[c]);
            double q = std::fabs(cand[k] / sum);
            if (q > best) {
                best = q;
                v = cand[k];
                piv[k] = j;
            }
        }

        double *pivot_row = row(m, k);
        if (piv[k] != k) {
            double *other = row(m, piv[k]);
            for (std::int32_t c = 0; c < n; ++c)
                std::swap(pivot_row[c], other[c]);
        }

        // Multiplying by the reciprocal, never dividing by v, fixes the rounding. With no
        // candidate v stays 0.0 and g is +infinity: a singular matrix runs to the end.
        double g = 1.0 / v;
        double minus_g = -g;
        for (std::int32_t c = 0; c < n; ++c)
            pivot_row[c] = pivot_row[c] * minus_g;
        pivot_row[k] = g;

        // The updates read only row k and column k, which they leave alone, so the
        // order in which they are applied does not change a bit.
        for (std::int32_t i = 0; i < n; ++i) {
            if (i == k) continue;
            double *target = row(m, i);
            double factor = target[k];
            for (std::int32_t c = 0; c < n; ++c) {
                if (c == k) continue;
                double product = factor * pivot_row[c];
                target[c] = product + target[c];
            }
            target[k] = factor * g;
        }
    }

    // The row interchanges come back as column interchanges, latest first.
    for (std::int32_t k = n - 2; k >= 0; --k) {
        if (piv[k] == k) continue;
        for (std::int32_t i = 0; i < n; ++i)
            std::swap(row(m, i)[k], row(m, i)[piv[k]]);
    }
    core_release(piv);
    return 0;
}
