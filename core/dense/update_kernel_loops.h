// The loops of the deferred-update kernels, written once for every vector width. The
// including file defines, in an anonymous namespace, the register type `vec` of `lanes`
// doubles, the tile shape (`tile_vectors` registers down a target vector, `tile_columns`
// target vectors side by side), `splat` (one double into every lane) and the arithmetic
// `mul`, `add` (registers) and `mul1`, `add1` (one double), whose first operand is always
// the instruction's first source, so that even the payload of a NaN is that of the
// elimination.
//
// A tile's elements stay in registers while every step of the span passes over them,
// each element receiving its steps in order; the tail that fills no register is done one
// double at a time with the same roundings. Where the span carries sums, a tile adds its
// new magnitudes to them, vector after vector, before it leaves the registers.
#pragma once

#include "core/dense/update_kernels.h"

namespace {

inline vec load(const double *p) {
    vec v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

inline void store(double *p, vec v) {
    __builtin_memcpy(p, &v, sizeof v);
}

inline vec magnitude(vec v) {
    using bits_vec = long long __attribute__((vector_size(sizeof(vec))));
    bits_vec b = reinterpret_cast<bits_vec>(v);
    b &= 0x7fffffffffffffffLL;
    return reinterpret_cast<vec>(b);
}

// The columns kernel has the multiplier along the vector and the pivot row's value per
// vector; the rows kernel the other way round.
enum class pivot_factor { per_vector, along };

template <pivot_factor P> inline vec product(vec along, vec per) {
    return P == pivot_factor::per_vector ? mul(per, along) : mul(along, per);
}

template <pivot_factor P> inline double product1(double along, double per) {
    return P == pivot_factor::per_vector ? mul1(per, along) : mul1(along, per);
}

// Elements [i, i + V lanes) of the C target vectors from `first` on; the per-vector
// factors of one step lie side by side (per_step 1) unless C is 1.
template <int C, int V, pivot_factor P>
void tile(const update_span &s, std::size_t first, std::size_t i) {
    vec acc[C][V];
    double *x = s.x + first * s.x_stride + i;
#pragma GCC unroll 16
    for (int j = 0; j < C; ++j) {
#pragma GCC unroll 16
        for (int v = 0; v < V; ++v)
            acc[j][v] = load(x + std::size_t(j) * s.x_stride + std::size_t(v * lanes));
    }
    const double *along = s.along + i;
    const double *per = s.per_vector + first * s.per_step;
    for (std::size_t t = 0; t < s.steps; ++t) {
        vec a[V];
#pragma GCC unroll 16
        for (int v = 0; v < V; ++v)
            a[v] = load(along + std::size_t(v * lanes));
#pragma GCC unroll 16
        for (int j = 0; j < C; ++j) {
            vec b = splat(per[j]);
#pragma GCC unroll 16
            for (int v = 0; v < V; ++v)
                acc[j][v] = add(product<P>(a[v], b), acc[j][v]);
        }
        along += s.along_stride;
        per += s.per_stride;
    }
#pragma GCC unroll 16
    for (int j = 0; j < C; ++j) {
#pragma GCC unroll 16
        for (int v = 0; v < V; ++v)
            store(x + std::size_t(j) * s.x_stride + std::size_t(v * lanes), acc[j][v]);
    }
    if (!s.sums) return;
#pragma GCC unroll 16
    for (int v = 0; v < V; ++v) {
        double *sums = s.sums + i + std::size_t(v * lanes);
        vec sum = load(sums);
        for (int j = 0; j < C; ++j)
            sum = sum + magnitude(acc[j][v]);
        store(sums, sum);
    }
}

// Element i of the C target vectors from `first` on, one double at a time.
template <int C, pivot_factor P> void tail(const update_span &s, std::size_t first, std::size_t i) {
    double acc[C];
    double *x = s.x + first * s.x_stride + i;
    for (int j = 0; j < C; ++j)
        acc[j] = x[std::size_t(j) * s.x_stride];
    const double *along = s.along + i * s.along_step;
    const double *per = s.per_vector + first * s.per_step;
    for (std::size_t t = 0; t < s.steps; ++t) {
        for (int j = 0; j < C; ++j)
            acc[j] = add1(product1<P>(*along, per[std::size_t(j) * s.per_step]), acc[j]);
        along += s.along_stride;
        per += s.per_stride;
    }
    for (int j = 0; j < C; ++j)
        x[std::size_t(j) * s.x_stride] = acc[j];
    if (!s.sums) return;
    for (int j = 0; j < C; ++j)
        s.sums[i] = s.sums[i] + __builtin_fabs(acc[j]);
}

// Elements [begin, end) of the C target vectors from `first` on: tiles of V registers,
// then single registers, then single doubles.
template <int C, int V, pivot_factor P>
void sweep_packed(const update_span &s, std::size_t first, std::size_t begin, std::size_t end) {
    std::size_t i = begin;
    for (; i + std::size_t(V * lanes) <= end; i += std::size_t(V * lanes))
        tile<C, V, P>(s, first, i);
    for (; i + std::size_t(lanes) <= end; i += std::size_t(lanes))
        tile<C, 1, P>(s, first, i);
    for (; i < end; ++i)
        tail<C, P>(s, first, i);
}

// Steps taken together from a copy of their per-vector factors.
constexpr std::size_t packed_steps = 64;

// The same, with the per-vector factors of the C vectors first copied side by side, a
// run of steps at a time: where they lie far apart (a row of the transposed matrix) they
// would share the cache's sets with the targets and the multipliers. Each element still
// receives the runs in order.
template <int C, int V, pivot_factor P>
void sweep(const update_span &s, std::size_t first, std::size_t begin, std::size_t end) {
    if (s.per_step == 1 || s.vectors == 1) return sweep_packed<C, V, P>(s, first, begin, end);
    double packed[packed_steps * C];
    for (std::size_t t0 = 0; t0 < s.steps; t0 += packed_steps) {
        update_span run = s;
        run.steps = s.steps - t0 < packed_steps ? s.steps - t0 : packed_steps;
        if (t0 + run.steps < s.steps) run.sums = nullptr;
        run.along = s.along + t0 * s.along_stride;
        const double *per = s.per_vector + t0 * s.per_stride + first * s.per_step;
        for (std::size_t t = 0; t < run.steps; ++t) {
            for (int j = 0; j < C; ++j)
                packed[t * C + std::size_t(j)] =
                    per[t * s.per_stride + std::size_t(j) * s.per_step];
        }
        run.per_vector = packed;
        run.per_stride = C;
        run.per_step = 1;
        run.x = s.x + first * s.x_stride;
        sweep_packed<C, V, P>(run, 0, begin, end);
    }
}

// The last `count` (< C) target vectors from `first` on, in one narrower tile.
template <int C, pivot_factor P>
void sweep_rest(const update_span &s, std::size_t first, std::size_t count, std::size_t begin,
                std::size_t end) {
    if constexpr (C > 1) {
        if (count == std::size_t(C - 1)) return sweep<C - 1, tile_vectors, P>(s, first, begin, end);
        sweep_rest<C - 1, P>(s, first, count, begin, end);
    }
}

// Elements scattered along the vector fill no register: one double at a time, but a
// group of neighbours at once, so that their chains of additions overlap and the cache
// lines of their factors serve every step.
constexpr std::size_t scattered_group = 8;

// Elements [i, i + G) of target vector j.
template <std::size_t G, pivot_factor P>
void scattered_group_of(const update_span &s, std::size_t j, std::size_t i) {
    double *x = s.x + j * s.x_stride + i;
    const double *per = s.per_vector + j * s.per_step;
    const double *along = s.along + i * s.along_step;
    double acc[G];
    for (std::size_t l = 0; l < G; ++l)
        acc[l] = x[l];
    for (std::size_t t = 0; t < s.steps; ++t) {
        double f = per[t * s.per_stride];
#pragma GCC unroll 16
        for (std::size_t l = 0; l < G; ++l)
            acc[l] = add1(product1<P>(along[l * s.along_step], f), acc[l]);
        along += s.along_stride;
    }
    for (std::size_t l = 0; l < G; ++l)
        x[l] = acc[l];
}

template <pivot_factor P> void scattered(const update_span &s, std::size_t begin, std::size_t end) {
    for (std::size_t j = 0; j < s.vectors; ++j) {
        std::size_t i = begin;
        for (; i + scattered_group <= end; i += scattered_group)
            scattered_group_of<scattered_group, P>(s, j, i);
        for (; i < end; ++i)
            scattered_group_of<1, P>(s, j, i);
    }
}

template <pivot_factor P> void run(const update_span &s, std::size_t begin, std::size_t end) {
    if (s.steps == 0 || begin >= end) return;
    if (s.along_step != 1) return scattered<P>(s, begin, end);
    // A single target vector has no neighbours to share the loads of its factors with,
    // so it takes a taller tile to keep enough additions in flight.
    if (s.vectors == 1) return sweep<1, 2 * tile_vectors, P>(s, 0, begin, end);
    std::size_t j = 0;
    for (; j + std::size_t(tile_columns) <= s.vectors; j += std::size_t(tile_columns))
        sweep<tile_columns, tile_vectors, P>(s, j, begin, end);
    if (j < s.vectors) sweep_rest<tile_columns, P>(s, j, s.vectors - j, begin, end);
}

void columns_kernel(const update_span &s, std::size_t begin, std::size_t end) {
    run<pivot_factor::per_vector>(s, begin, end);
}

void rows_kernel(const update_span &s, std::size_t begin, std::size_t end) {
    run<pivot_factor::along>(s, begin, end);
}

} // namespace
