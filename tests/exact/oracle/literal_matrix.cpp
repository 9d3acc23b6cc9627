// The reference product and inversion: plain loops in the stated order.
#include "tests/exact/oracle/literal_matrix.h"

#include <cmath>
#include <utility>
#include <vector>

namespace {

double &at(md_t *m, int i, int j) {
    return m->data[std::size_t(i) * m->cols + j];
}
double at(const md_t *m, int i, int j) {
    return m->data[std::size_t(i) * m->cols + j];
}

} // namespace

void literal_md_mul(const md_t *a, const md_t *b, md_t *r) {
    for (int i = 0; i < a->rows; ++i) {
        for (int j = 0; j < b->cols; ++j) {
            double s = +0.0;
            for (int m = 0; m < a->cols; ++m)
                s = s + at(a, i, m) * at(b, m, j);
            at(r, i, j) = s;
        }
    }
}

void literal_md_inverse(md_t *m) {
    int n = m->rows;
    std::vector<int> piv(n);
    for (int k = 0; k < n; ++k) {
        piv[k] = k;
        double best = 0.0, v = 0.0;
        for (int j = k; j < n; ++j) {
            if (at(m, j, k) == 0.0) continue;
            double s = +0.0;
            for (int c = k; c < n; ++c)
                s = s + std::fabs(at(m, j, c));
            double q = std::fabs(at(m, j, k) / s);
            if (q > best) {
                best = q;
                v = at(m, j, k);
                piv[k] = j;
            }
        }
        if (piv[k] != k) {
            for (int c = 0; c < n; ++c)
                std::swap(at(m, k, c), at(m, piv[k], c));
        }
        double g = 1.0 / v;
        at(m, k, k) = g;
        for (int c = 0; c < n; ++c) {
            if (c != k) at(m, k, c) = at(m, k, c) * -g;
        }
        for (int c = 0; c < n; ++c) {
            if (c == k) continue;
            for (int i = 0; i < n; ++i) {
                if (i != k) at(m, i, c) = at(m, i, k) * at(m, k, c) + at(m, i, c);
            }
        }
        for (int i = 0; i < n; ++i) {
            if (i != k) at(m, i, k) = at(m, i, k) * g;
        }
    }
    for (int k = n - 2; k >= 0; --k) {
        if (piv[k] == k) continue;
        for (int i = 0; i < n; ++i)
            std::swap(at(m, i, k), at(m, i, piv[k]));
    }
}
