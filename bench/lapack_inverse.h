// The inversion of a general dense matrix by LU factorisation with partial pivoting and
// the inverse of the factors (LAPACK dgetrf and dgetri, as OpenBLAS provides them): the
// benchmark's yardstick for the speed of md_inverse_direct, not an oracle of its bits.
#pragma once

#include "core/dense/matrix.h"

// Inverts m in place; false when the working memory cannot be had or the matrix is
// singular.
bool lapack_inverse(md_t *m);
