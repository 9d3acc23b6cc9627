// The deferred-update kernels for the SSE2 baseline of every x86-64 processor: two
// doubles a register and 16 registers, so a tile of 2 x 2 rows by 4 columns keeps 8
// sums in flight. The instructions have two operands, the first source being also the
// destination.
#include "core/dense/update_kernels.h"

#include <emmintrin.h>

namespace {

using vec = double __attribute__((vector_size(16)));
constexpr int lanes = 2;
constexpr int tile_vectors = 2;
constexpr int tile_columns = 4;

inline vec splat(double s) {
    return _mm_set1_pd(s);
}
inline vec mul(vec first, vec second) {
    asm("mulpd %1, %0" : "+x"(first) : "x"(second));
    return first;
}
inline vec add(vec first, vec second) {
    asm("addpd %1, %0" : "+x"(first) : "x"(second));
    return first;
}
inline double mul1(double first, double second) {
    asm("mulsd %1, %0" : "+x"(first) : "x"(second));
    return first;
}
inline double add1(double first, double second) {
    asm("addsd %1, %0" : "+x"(first) : "x"(second));
    return first;
}

} // namespace

#include "core/dense/update_kernel_loops.h"

const update_kernels update_kernels_sse2 = {columns_kernel, rows_kernel};
