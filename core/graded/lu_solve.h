// A dense square system factorised in place by LU with partial pivoting (LAPACK's
// kernels through LAPACKE and CBLAS, the trailing updates shared out to the workers), then solved
// for one or several right-hand sides, plain or transposed. No inverse is ever formed:
// one factorisation costs n^3 / 3 multiply-adds and each right-hand side n^2.
#pragma once

#include "core/base/calc_env.h"

#include <cstddef>
#include <cstdint>
#include <memory>

struct lu_system {
    std::int32_t n;
    double *a;   // n x n, column-major; the factors after lu_factor
    int *pivots; // n row interchanges, after lu_factor
    bool factored;
};

// The memory a system of order n holds.
std::size_t lu_bytes(std::int32_t n);

// A new system with its matrix uninitialised, owned by the caller, or null after
// reporting through the environment's error slot when n is not positive or the memory
// cannot be had.
lu_system *lu_new(const calc_env &env, std::int32_t n);

// Factorises the matrix, block column after block column, reporting its progress and
// stopping at the next block when the environment's cancel flag is set. Returns 0, or
// -1 after reporting a singular or non-finite matrix through the environment's error
// slot, or -1 without a report when cancelled.
int lu_factor(const calc_env &env, lu_system *system);

// Overwrites rhs (count columns of n values) with the solutions of A x = rhs, or of
// A^T x = rhs when transposed. Returns 0, or -1 when the system is not factored.
int lu_solve(const lu_system *system, bool transposed, double *rhs, std::int32_t count = 1);

// Releases the matrix, the pivots and the record. Null is accepted. Cannot fail.
void lu_free(lu_system *system);

struct lu_deleter {
    void operator()(lu_system *system) const { lu_free(system); }
};
using lu_ptr = std::unique_ptr<lu_system, lu_deleter>;
