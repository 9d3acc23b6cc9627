// The inner loops of the inversion's deferred updates, one version per vector width:
// AVX-512, AVX2 and the SSE2 baseline of every x86-64 processor, chosen at run time.
// Every version performs the same roundings in the same order, operand order included,
// so the choice changes the speed and nothing else.
#pragma once

#include <cstddef>

// A run of elimination steps applied to some target vectors, each element receiving the
// steps in order: for t = 0 .. steps - 1, x[j][i] = (along[t][i] * per_vector[t][j]) +
// x[j][i], the product rounded before the sum. Of the two factors, one is a value of the
// pivot row and one a multiplier; the pivot row's value is always the first operand of
// the product and the product the first operand of the sum, because when both operands
// are NaN the hardware returns the first one's payload.
struct update_span {
    double *x; // element i of target vector j at x[j * x_stride + i]
    std::size_t x_stride;
    std::size_t vectors; // number of target vectors
    // Factor of step t for element i: along[t * along_stride + i * along_step].
    const double *along;
    std::size_t along_stride;
    std::size_t along_step; // 1 lets the kernels load whole registers
    // Factor of step t for vector j: per_vector[t * per_stride + j * per_step].
    const double *per_vector;
    std::size_t per_stride;
    std::size_t per_step;
    std::size_t steps;
    // Null, or the row sums of the next pivot search: each target vector's new entries'
    // magnitudes are added to sums[i], vector after vector in order (columns kernel).
    double *sums;
};

struct update_kernels {
    // Elements [begin, end) of every target vector, where along holds the multipliers
    // (a column of the elimination) and per_vector the pivot rows' values: the
    // columns of the transposed matrix. Adds to the span's sums if it has them. Cannot
    // fail.
    void (*columns)(const update_span &span, std::size_t begin, std::size_t end);
    // The same with the roles exchanged: along holds the pivot rows' values and
    // per_vector the multipliers, for a row of the matrix; no sums. Cannot fail.
    void (*rows)(const update_span &span, std::size_t begin, std::size_t end);
};

enum class update_width { sse2, avx2, avx512 };

// The kernels of the widest width that this processor offers and that the limit
// allows. Cannot fail.
const update_kernels &update_kernels_get();

// Caps the kernels at the given width, for tests and measurements (avx512 lifts the
// cap); returns whether this processor has that width itself. Not to be called while an
// inversion runs.
bool update_kernels_limit(update_width width);

extern const update_kernels update_kernels_sse2;
extern const update_kernels update_kernels_avx2;
extern const update_kernels update_kernels_avx512;
