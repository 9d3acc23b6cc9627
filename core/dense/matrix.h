// Dense row-major matrices of doubles, with exactly what the moment-method solver needs:
// construction, filling, release, element access, the product and inversion in place by
// Gauss-Jordan elimination with scaled partial pivoting. A vector is a one-column matrix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Element (i, j) is data[i * cols + j]. The record and the element array are separate
// blocks, both owned by whoever holds the record; rows * cols never exceeds 2^31 - 1.
struct md_t {
    std::int32_t rows;
    std::int32_t cols;
    double *data;
};

// A new rows x cols matrix with uninitialised elements, owned by the caller. Null after
// reporting through the error sink when a dimension is not positive, or when the memory
// cannot be had (an element count beyond 2^31 - 1 counts as such).
md_t *md_new(std::int32_t rows, std::int32_t cols);

// As md_new, but also refused through md_new's not-enough-memory path when the working
// set that this matrix opens (working_set bytes, the matrix included) would not fit in
// the physical memory free now, so a calculation that cannot finish is stopped before
// anything large is allocated.
md_t *md_new_within(std::int32_t rows, std::int32_t cols, std::size_t working_set);

// A new n x n identity matrix (zeros of positive sign off the diagonal), or null as md_new.
md_t *md_new_identity(std::int32_t n);

// Writes value into every element. Cannot fail.
void md_fill(md_t *m, double value);

// Releases the elements, then the record. Null is accepted. Cannot fail.
void md_free(md_t *m);

// Single-element access; the indices are not checked.
void md_set(md_t *m, std::int32_t row, std::int32_t col, double value);
double md_get(const md_t *m, std::int32_t row, std::int32_t col);

// The product a * b as a new rows(a) x cols(b) matrix, or null after reporting through
// the error sink. Every element is summed from +0.0 in increasing m, each product
// rounded before it is added. cols(a) must equal rows(b).
md_t *md_mul(const md_t *a, const md_t *b);

// Rows [first_row, first_row + rows) of a * b, their first cols columns, into out (row
// after row, cols apart), each element summed exactly as md_mul sums it. Cannot fail.
void md_mul_rows(const md_t *a, const md_t *b, std::int32_t first_row, std::int32_t rows,
                 std::int32_t cols, double *out);

// Replaces the square matrix m by its inverse. Returns 0, or -1 after reporting through
// the error sink when the pivot list cannot be had (m is then unchanged), or -1 without
// a report when the bound environment's cancel flag stops it between two blocks of
// steps (m then holds nothing of use). A singular matrix is no failure here: it comes
// back with infinite or NaN entries.
int md_inverse_direct(md_t *m);

struct md_deleter {
    void operator()(md_t *m) const { md_free(m); }
};

// A matrix owned by its scope, released with md_free on every path out of it.
using md_ptr = std::unique_ptr<md_t, md_deleter>;
