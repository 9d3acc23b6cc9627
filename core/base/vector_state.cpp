// vzeroupper where the processor has AVX; nothing elsewhere.
#include "core/base/vector_state.h"

#if defined(__x86_64__) || defined(__i386__)

__attribute__((target("avx"))) static void zero_upper() {
    __builtin_ia32_vzeroupper();
}

void clear_vector_upper_state() {
    static const bool has_avx = __builtin_cpu_supports("avx");
    if (has_avx) zero_upper();
}

#else

void clear_vector_upper_state() {}

#endif
