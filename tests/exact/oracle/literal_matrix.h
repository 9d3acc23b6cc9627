// The matrix product and the Gauss-Jordan inversion written exactly in the reference
// order, one element at a time: the oracle that the fast toolkit must match bit for bit.
#pragma once

#include "core/dense/matrix.h"

// r = a * b into a caller-made rows(a) x cols(b) matrix.
void literal_md_mul(const md_t *a, const md_t *b, md_t *r);

// Inverts m in place exactly as the reference elimination does.
void literal_md_inverse(md_t *m);
