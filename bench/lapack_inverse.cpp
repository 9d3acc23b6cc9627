// dgetrf + dgetri through the LAPACKE row-major interface.
#include "bench/lapack_inverse.h"

#include <lapacke.h>

#include <vector>

bool lapack_inverse(md_t *m) {
    lapack_int n = m->rows;
    std::vector<lapack_int> piv(static_cast<std::size_t>(n));
    if (LAPACKE_dgetrf(LAPACK_ROW_MAJOR, n, n, m->data, n, piv.data()) != 0) return false;
    return LAPACKE_dgetri(LAPACK_ROW_MAJOR, n, m->data, n, piv.data()) == 0;
}
