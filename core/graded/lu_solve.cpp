// LU factorisation and solves through LAPACKE, with the core's memory accounting.
#include "core/graded/lu_solve.h"

#include "core/base/alloc.h"
#include "core/base/worker_pool.h"

#include <algorithm>
#include <cblas.h>
#include <cmath>
#include <lapacke.h>
#include <mutex>

std::size_t lu_bytes(std::int32_t n) {
    std::size_t m = std::size_t(n);
    return m * m * sizeof(double) + m * sizeof(int) + sizeof(lu_system);
}

lu_system *lu_new(const calc_env &env, std::int32_t n) {
    if (n <= 0) {
        env_error(env, L"The system has no unknowns");
        return nullptr;
    }
    lu_ptr system;
    if (core_memory_fits(env, lu_bytes(n)))
        system.reset(static_cast<lu_system *>(core_alloc(env, sizeof(lu_system))));
    if (system) {
        std::size_t m = std::size_t(n);
        *system = {n, static_cast<double *>(core_alloc(env, m * m * sizeof(double))),
                   static_cast<int *>(core_alloc(env, m * sizeof(int))), false};
        if (system->a && system->pivots) return system.release();
    }
    env_error(env, L"Not enough memory for the system matrix");
    return nullptr;
}

namespace {

// Columns of one block of the factorisation: the stride at which a run looks at its
// cancel flag and reports its progress, a fraction of a second even for large systems.
constexpr lapack_int block_columns = 256;

// The BLAS runs on the calling thread only: the engine shares its work out to its own
// workers (within the environment's thread cap), and the library's threads, which spin
// for a while after each call, would otherwise compete with them for the cores.
void blas_on_caller_only() {
    static std::once_flag once;
    std::call_once(once, [] { openblas_set_num_threads(1); });
}

// Right-looking blocked LU with partial pivoting (Golub and Van Loan, Matrix
// Computations, 3.2.11), the algorithm of LAPACK's dgetrf written out so that the run
// can stop between blocks and the workers share each step: one thread factorises the
// block column by dgetrf and swaps the rows on its left; then each worker takes a slab
// of the columns on its right, applies the interchanges to it, solves its block row by
// the unit lower factor and updates its part of the trailing matrix by one product.
// Small systems go to dgetrf whole. Returns 0, the info of the first singular block, or
// -1 when cancelled.
lapack_int factor_in_blocks(const calc_env &env, lapack_int n, double *a, lapack_int *pivots) {
    if (n <= 2 * block_columns) return LAPACKE_dgetrf_work(LAPACK_COL_MAJOR, n, n, a, n, pivots);
    auto at = [a, n](lapack_int row, lapack_int column) {
        return a + std::size_t(column) * std::size_t(n) + std::size_t(row);
    };
    lapack_int singular = 0;
    bool cancelled = false;
    double work = double(n) * double(n) * double(n) / 3;
    run_workers(
        env, worker_count(env, work > 1e18 ? (1LL << 60) : (long long)work),
        [&](int index, int count, const std::function<void()> &sync) {
            for (lapack_int j = 0; j < n; j += block_columns) {
                lapack_int jb = std::min(block_columns, n - j);
                if (index == 0) {
                    cancelled = env_cancelled(env);
                    if (!cancelled) {
                        lapack_int info = LAPACKE_dgetrf_work(LAPACK_COL_MAJOR, n - j, jb, at(j, j),
                                                              n, pivots + j);
                        if (info > 0 && singular == 0) singular = info + j;
                        for (lapack_int i = j; i < j + jb; ++i)
                            pivots[i] += j;
                        LAPACKE_dlaswp_work(LAPACK_COL_MAJOR, j, a, n, j + 1, j + jb, pivots, 1);
                    }
                }
                sync();
                if (cancelled) return;
                lapack_int rest = n - j - jb;
                // This worker's slab of the columns right of the block.
                lapack_int from = j + jb + rest * index / count;
                lapack_int width = j + jb + rest * (index + 1) / count - from;
                if (width > 0) {
                    LAPACKE_dlaswp_work(LAPACK_COL_MAJOR, width, at(0, from), n, j + 1, j + jb,
                                        pivots, 1);
                    cblas_dtrsm(CblasColMajor, CblasLeft, CblasLower, CblasNoTrans, CblasUnit, jb,
                                width, 1.0, at(j, j), n, at(j, from), n);
                    cblas_dgemm(CblasColMajor, CblasNoTrans, CblasNoTrans, rest, width, jb, -1.0,
                                at(j + jb, j), n, at(j, from), n, 1.0, at(j + jb, from), n);
                }
                sync();
                if (index == 0)
                    env_progress(env, progress_phase::invert, double(j + jb) / double(n));
            }
        });
    return cancelled ? -1 : singular;
}

} // namespace

int lu_factor(const calc_env &env, lu_system *system) {
    blas_on_caller_only();
    std::size_t count = std::size_t(system->n) * std::size_t(system->n);
    for (std::size_t k = 0; k < count; ++k) {
        if (!std::isfinite(system->a[k])) {
            env_error(env, L"The system matrix is not finite");
            return -1;
        }
    }
    if (factor_in_blocks(env, system->n, system->a, system->pivots) != 0) {
        if (!env_cancelled(env)) env_error(env, L"The system matrix is singular");
        return -1;
    }
    system->factored = true;
    return 0;
}

int lu_solve(const lu_system *system, bool transposed, double *rhs, std::int32_t count) {
    if (!system->factored) return -1;
    lapack_int info =
        LAPACKE_dgetrs_work(LAPACK_COL_MAJOR, transposed ? 'T' : 'N', system->n, count, system->a,
                            system->n, system->pivots, rhs, system->n);
    return info == 0 ? 0 : -1;
}

void lu_free(lu_system *system) {
    if (!system) return;
    core_release(system->a);
    core_release(system->pivots);
    core_release(system);
}
