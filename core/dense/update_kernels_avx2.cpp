// The deferred-update kernels for AVX2: four doubles a register and 16 registers, so a
// tile of 2 x 4 rows by 6 columns keeps 12 sums in flight. Compiled with AVX2 enabled
// (and without fused multiply-add); called only where the processor has it.
#include "core/dense/update_kernels.h"

#include <immintrin.h>

namespace {

using vec = double __attribute__((vector_size(32)));
constexpr int lanes = 4;
constexpr int tile_vectors = 2;
constexpr int tile_columns = 6;

inline vec splat(double s) {
    return _mm256_set1_pd(s);
}
inline vec mul(vec first, vec second) {
    vec r;
    asm("vmulpd %2, %1, %0" : "=x"(r) : "x"(first), "x"(second));
    return r;
}
inline vec add(vec first, vec second) {
    vec r;
    asm("vaddpd %2, %1, %0" : "=x"(r) : "x"(first), "x"(second));
    return r;
}
inline double mul1(double first, double second) {
    double r;
    asm("vmulsd %2, %1, %0" : "=x"(r) : "x"(first), "x"(second));
    return r;
}
inline double add1(double first, double second) {
    double r;
    asm("vaddsd %2, %1, %0" : "=x"(r) : "x"(first), "x"(second));
    return r;
}

} // namespace

#include "core/dense/update_kernel_loops.h"

const update_kernels update_kernels_avx2 = {columns_kernel, rows_kernel};
