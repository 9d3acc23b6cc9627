// The dense matrix toolkit: construction, release, access and the product. The
// inversion lives in matrix_inverse.cpp.
#include "core/dense/matrix.h"
#include "core/base/messages.h"

#include "core/base/alloc.h"
#include "core/base/params.h"
#include "core/base/process_env.h"
#include "core/base/simd_clones.h"
#include "core/base/worker_pool.h"

#include <algorithm>

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

// r[j] = r[j] + (factor * b[j]): one more term of each sum, the product rounded first.
SIMD_CLONES void accumulate_product(double *r, double factor, const double *b, std::size_t count) {
    for (std::size_t j = 0; j < count; ++j)
        r[j] = r[j] + factor * b[j];
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
    if (count > std::numeric_limits<std::int32_t>::max() ||
        !core_memory_fits(process_env(), working_set)) {
        return no_memory(nullptr);
    }
    md_t *m = static_cast<md_t *>(core_alloc(process_env(), sizeof(md_t)));
    if (!m) return no_memory(nullptr);
    m->rows = rows;
    m->cols = cols;
    m->data = static_cast<double *>(core_alloc(process_env(), std::size_t(count) * sizeof(double)));
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

void md_mul_rows(const md_t *a, const md_t *b, std::int32_t first_row, std::int32_t rows,
                 std::int32_t cols, double *out) {
    std::size_t inner = std::size_t(a->cols);
    std::size_t width = std::size_t(cols);
    long long work = static_cast<long long>(rows) * cols * static_cast<long long>(inner);
    // Each result row accumulates its whole row at once, term m after term m - 1, so
    // every element is still the sum from +0.0 in increasing m; the rows are shared out
    // among the cores, four at a time so that each row of b is read once for four.
    run_workers(process_env(), worker_count(process_env(), work),
                [&](int index, int count, const std::function<void()> &) {
                    std::size_t lo = std::size_t(rows) * index / count;
                    std::size_t hi = std::size_t(rows) * (index + 1) / count;
                    for (std::size_t i = lo; i < hi; i += 4) {
                        std::size_t block = std::min<std::size_t>(4, hi - i);
                        for (std::size_t q = 0; q < block; ++q) {
                            std::fill_n(out + (i + q) * width, width, +0.0);
                        }
                        for (std::size_t m = 0; m < inner; ++m) {
                            const double *b_row = row(b, std::int32_t(m));
                            for (std::size_t q = 0; q < block; ++q) {
                                double factor = row(a, first_row + std::int32_t(i + q))[m];
                                accumulate_product(out + (i + q) * width, factor, b_row, width);
                            }
                        }
                    }
                });
}

md_t *md_mul(const md_t *a, const md_t *b) {
    md_t *r = md_new(a->rows, b->cols);
    if (!r) {
        error_sink(L"md_mul(): not enough memory!");
        return nullptr;
    }
    md_mul_rows(a, b, 0, a->rows, b->cols, r->data);
    return r;
}
