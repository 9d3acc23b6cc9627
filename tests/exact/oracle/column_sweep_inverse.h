// The inversion as it was before its pivot search used bounds: every element's bits,
// NaN payloads included, as the calculator has always computed them.
#pragma once

#include "core/dense/matrix.h"

// Inverts m in place; the working memory must be available.
void column_sweep_md_inverse(md_t *m);
