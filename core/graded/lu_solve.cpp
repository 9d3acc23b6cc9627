// LU factorisation and solves through LAPACKE, with the core's memory accounting.
#include "core/graded/lu_solve.h"

#include "core/base/alloc.h"

#include <cmath>
#include <lapacke.h>

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

int lu_factor(const calc_env &env, lu_system *system) {
    std::size_t count = std::size_t(system->n) * std::size_t(system->n);
    for (std::size_t k = 0; k < count; ++k) {
        if (!std::isfinite(system->a[k])) {
            env_error(env, L"The system matrix is not finite");
            return -1;
        }
    }
    lapack_int info = LAPACKE_dgetrf_work(LAPACK_COL_MAJOR, system->n, system->n, system->a,
                                          system->n, system->pivots);
    if (info != 0) {
        env_error(env, L"The system matrix is singular");
        return -1;
    }
    system->factored = true;
    return 0;
}

int lu_solve(const lu_system *system, bool transposed, double *rhs) {
    if (!system->factored) return -1;
    lapack_int info = LAPACKE_dgetrs_work(LAPACK_COL_MAJOR, transposed ? 'T' : 'N', system->n, 1,
                                          system->a, system->n, system->pivots, rhs, system->n);
    return info == 0 ? 0 : -1;
}

void lu_free(lu_system *system) {
    if (!system) return;
    core_release(system->a);
    core_release(system->pivots);
    core_release(system);
}
