// Marks a loop kernel to be compiled twice, for AVX2 and for the baseline, with the
// choice made once at load time. The elements are independent, so either version
// gives the same bits (no fused multiply-add in both).
//
// The choice is made by a resolver that the dynamic loader calls while it relocates
// the program, before any sanitizer runtime has started; ThreadSanitizer instruments
// that resolver and crashes in it. Its builds define ORVANTA_NO_SIMD_CLONES and keep
// the baseline version only.
#pragma once

#ifdef ORVANTA_NO_SIMD_CLONES
#define SIMD_CLONES
#else
#define SIMD_CLONES __attribute__((target_clones("avx2", "default")))
#endif
