// The dense matrix toolkit: the inversion's pivot choices and signed zeros, the
// product's summation, the constructors' refusals and memory failures, and a residual
// check of the inversion against the identity.
#include "core/dense/matrix.h"
#include "tests/support/sink_capture.h"

#include <cmath>
#include <initializer_list>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

md_ptr matrix(std::int32_t rows, std::int32_t cols, std::initializer_list<double> values) {
    md_ptr m(md_new(rows, cols));
    std::size_t i = 0;
    for (double v : values)
        m->data[i++] = v;
    return m;
}

md_ptr inverse_of(std::int32_t n, std::initializer_list<double> values) {
    md_ptr m = matrix(n, n, values);
    EXPECT_EQ(md_inverse_direct(m.get()), 0);
    return m;
}

void expect_bits(const md_t &m, std::initializer_list<double> expected) {
    std::size_t i = 0;
    for (double v : expected) {
        EXPECT_EQ(bits(m.data[i]), bits(v)) << "element " << i << ": " << m.data[i];
        ++i;
    }
}

using matrix_test = core_test;

TEST_F(matrix_test, one_by_one_inversion) {
    expect_bits(*inverse_of(1, {4.0}), {0.25});
    expect_bits(*inverse_of(1, {-3.0}), {1.0 / -3.0});
    // A zero entry is passed over and a NaN never wins: the pivot stays 0.0.
    for (double singular : {0.0, -0.0, nan})
        expect_bits(*inverse_of(1, {singular}), {inf});
    EXPECT_TRUE(lines().empty());
}

TEST_F(matrix_test, inversion_signed_zeros_and_interchanges) {
    // The scaled pivot row gets -g, so the identity's zeros come back negative.
    expect_bits(*inverse_of(2, {1, 0, 0, 1}), {1, -0.0, -0.0, 1});
    // Row 0 is passed over (zero entry); the column interchange undoes the row swap.
    expect_bits(*inverse_of(2, {0, 1, 1, 0}), {-0.0, 1, 1, -0.0});
}

TEST_F(matrix_test, scaled_pivoting_prefers_the_larger_ratio) {
    // 0.5 / 0.6 beats 1 / 1001 although |1| > |0.5|: row 1 is the first pivot. The same
    // matrix with the rows swapped therefore gives the same inverse with its columns
    // swapped, bit for bit; plain partial pivoting would not.
    md_ptr a = inverse_of(2, {1, 1000, 0.5, 0.1});
    md_ptr b = inverse_of(2, {0.5, 0.1, 1, 1000});
    expect_bits(*a, {b->data[1], b->data[0], b->data[3], b->data[2]});
    double det = 1 * 0.1 - 1000 * 0.5;
    EXPECT_NEAR(a->data[0], 0.1 / det, 1e-18);
    EXPECT_NEAR(a->data[1], -1000 / det, 1e-15);

    // Rows 0 and 1 tie at step 0 (3 / 10 each): the lower row keeps the place. The
    // expected bits come from an offline run of the elimination; had row 1 won, the
    // entries 2, 3, 4, 5 and 6 would differ in their last bits.
    expect_bits(*inverse_of(3, {3, -3, 4, 3, 4, -3, 5, 6, 8}),
                {0x1.8b5de64d18b5dp-3, 0x1.7b8d57f817b8dp-3, -0x1.bacf914c1baccp-6,
                 -0x1.3462d77993463p-3, 0x1.fa11caa01fa16p-7, 0x1.4c1bacf914c1cp-4,
                 -0x1.fa11caa01fa0ap-8, -0x1.04f12c7a904f1p-3, 0x1.4c1bacf914c1bp-4});
}

TEST_F(matrix_test, singular_matrices_run_to_the_end_silently) {
    md_ptr zero(md_new(3, 3));
    md_fill(zero.get(), 0.0);
    ASSERT_EQ(md_inverse_direct(zero.get()), 0);
    for (int i = 0; i < 9; ++i)
        EXPECT_FALSE(std::isfinite(zero->data[i])) << i;

    md_ptr rank_one = inverse_of(2, {1, 2, 2, 4});
    bool plus = false, minus = false;
    for (int i = 0; i < 4; ++i) {
        plus = plus || rank_one->data[i] == inf;
        minus = minus || rank_one->data[i] == -inf;
    }
    EXPECT_TRUE(plus && minus);
    EXPECT_TRUE(lines().empty());
}

TEST_F(matrix_test, inverse_times_matrix_is_the_identity) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> value(-1, 1);
    for (std::int32_t n : {2, 5, 17, 64}) {
        md_ptr a(md_new(n, n));
        for (std::int32_t i = 0; i < n * n; ++i)
            a->data[i] = value(random);
        for (std::int32_t i = 0; i < n; ++i)
            a->data[i * n + i] += n; // well conditioned
        md_ptr inverse(md_new(n, n));
        std::copy(a->data, a->data + n * n, inverse->data);
        ASSERT_EQ(md_inverse_direct(inverse.get()), 0);
        md_ptr product(md_mul(a.get(), inverse.get()));
        ASSERT_TRUE(product);
        double tolerance = 16 * n * std::numeric_limits<double>::epsilon();
        for (std::int32_t i = 0; i < n; ++i) {
            for (std::int32_t j = 0; j < n; ++j) {
                EXPECT_NEAR(md_get(product.get(), i, j), i == j ? 1.0 : 0.0, tolerance);
            }
        }
    }
}

TEST_F(matrix_test, product_sums_from_positive_zero_in_order) {
    md_ptr a = matrix(2, 3, {-0.0, -0.0, -0.0, 1e16, 1, -1e16});
    md_ptr b = matrix(3, 1, {1, 1, 1});
    md_ptr r(md_mul(a.get(), b.get()));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rows, 2);
    EXPECT_EQ(r->cols, 1);
    // (1e16 + 1) rounds back to 1e16, then - 1e16: left to right gives 0, not 1.
    expect_bits(*r, {+0.0, +0.0});
}

TEST_F(matrix_test, construction_fill_and_access) {
    md_ptr identity(md_new_identity(3));
    expect_bits(*identity, {1, 0, 0, 0, 1, 0, 0, 0, 1});
    md_ptr v(md_new(3, 1));
    md_fill(v.get(), -2.5);
    expect_bits(*v, {-2.5, -2.5, -2.5});
    md_set(v.get(), 2, 0, 7);
    EXPECT_EQ(md_get(v.get(), 2, 0), 7);
    md_free(nullptr);

    const std::vector<sink_line> refusal = {
        error_line(L"md_new():number of rows and columns must be positive")};
    for (auto make : {+[] { return md_new(0, 5); }, +[] { return md_new(5, -1); },
                      +[] { return md_new_identity(0); }}) {
        captured_lines().clear();
        EXPECT_EQ(make(), nullptr);
        EXPECT_EQ(lines(), refusal);
    }
}

TEST_F(matrix_test, memory_failures_report_and_release) {
    const std::vector<sink_line> no_memory = {error_line(L"md_new(): not enough memory")};
    for (long k : {1, 2}) {
        captured_lines().clear();
        faults().arm(k);
        EXPECT_EQ(md_new(4, 4), nullptr);
        EXPECT_EQ(lines(), no_memory);
        captured_lines().clear();
        faults().arm(k);
        EXPECT_EQ(md_new_identity(4), nullptr);
        EXPECT_EQ(lines(), no_memory);
    }
    // An element count beyond 2^31 - 1 cannot be held.
    captured_lines().clear();
    faults().arm(0);
    EXPECT_EQ(md_new(65536, 32768), nullptr);
    EXPECT_EQ(lines(), no_memory);
    EXPECT_EQ(faults().calls.load(), 0);

    md_ptr a = matrix(2, 2, {1, 2, 3, 4});
    captured_lines().clear();
    faults().arm(2);
    EXPECT_EQ(md_mul(a.get(), a.get()), nullptr);
    EXPECT_EQ(lines(), (std::vector<sink_line>{error_line(L"md_new(): not enough memory"),
                                               error_line(L"md_mul(): not enough memory!")}));
    expect_bits(*a, {1, 2, 3, 4});

    captured_lines().clear();
    faults().arm(1);
    EXPECT_EQ(md_inverse_direct(a.get()), -1);
    EXPECT_EQ(lines(),
              (std::vector<sink_line>{error_line(L"md_inverse_direct(): not enough memory")}));
    expect_bits(*a, {1, 2, 3, 4});

    // A working set beyond the machine's memory is refused before anything is allocated.
    captured_lines().clear();
    faults().arm(0);
    EXPECT_EQ(md_new_within(2, 2, std::size_t{1} << 62), nullptr);
    EXPECT_EQ(lines(), no_memory);
    EXPECT_EQ(faults().calls.load(), 0);
}

} // namespace
