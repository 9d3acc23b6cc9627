// The deferred-update kernels for AVX-512: eight doubles a register and 32 registers,
// so a tile of 3 x 8 rows by 8 columns keeps 24 sums in flight. Compiled with AVX-512
// enabled; called only where the processor has it.
#include "core/dense/update_kernels.h"

#include <immintrin.h>

namespace {

using vec = double __attribute__((vector_size(64)));
constexpr int lanes = 8;
constexpr int tile_vectors = 3;
constexpr int tile_columns = 8;

inline vec splat(double s) {
    return _mm512_set1_pd(s);
}
inline vec mul(vec first, vec second) {
    vec r;
    asm("vmulpd %2, %1, %0" : "=v"(r) : "v"(first), "v"(second));
    return r;
}
inline vec add(vec first, vec second) {
    vec r;
    asm("vaddpd %2, %1, %0" : "=v"(r) : "v"(first), "v"(second));
    return r;
}
inline double mul1(double first, double second) {
    double r;
    asm("vmulsd %2, %1, %0" : "=v"(r) : "v"(first), "v"(second));
    return r;
}
inline double add1(double first, double second) {
    double r;
    asm("vaddsd %2, %1, %0" : "=v"(r) : "v"(first), "v"(second));
    return r;
}

} // namespace

#include "core/dense/update_kernel_loops.h"

const update_kernels update_kernels_avx512 = {columns_kernel, rows_kernel};
