// The fast toolkit against the reference loops, bit for bit: random matrices of many
// sizes, exact ties between pivot ratios, zero columns, signed zeros, NaN, infinities
// and singular matrices.
#include "core/dense/matrix.h"
#include "tests/exact/oracle/literal_matrix.h"
#include "tests/support/sink_capture.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

md_ptr copy_of(const md_t &m) {
    md_ptr c(md_new(m.rows, m.cols));
    std::memcpy(c->data, m.data, sizeof(double) * std::size_t(m.rows) * m.cols);
    return c;
}

// Equal bit patterns, signed zeros and infinities included. Two NaNs count as equal
// whatever their sign and payload: when both operands of an addition are NaN, the
// hardware returns the first one's, and a compiler is free to swap the operands of a +
// b (it does so when vectorising), so C++ source does not fix which NaN comes out.
::testing::AssertionResult same_bits(const md_t &a, const md_t &b) {
    std::size_t count = std::size_t(a.rows) * a.cols;
    for (std::size_t i = 0; i < count; ++i) {
        if (std::isnan(a.data[i]) && std::isnan(b.data[i])) continue;
        if (bits(a.data[i]) != bits(b.data[i])) {
            return ::testing::AssertionFailure()
                   << "element " << i << ": " << a.data[i] << " vs " << b.data[i];
        }
    }
    return ::testing::AssertionSuccess();
}

void expect_inverse_matches(const md_t &m) {
    md_ptr fast = copy_of(m);
    md_ptr reference = copy_of(m);
    ASSERT_EQ(md_inverse_direct(fast.get()), 0);
    literal_md_inverse(reference.get());
    EXPECT_TRUE(same_bits(*fast, *reference)) << "order " << m.rows;
}

md_ptr random_matrix(std::int32_t rows, std::int32_t cols, std::mt19937_64 &random) {
    std::uniform_real_distribution<double> value(-1, 1);
    md_ptr m(md_new(rows, cols));
    for (std::size_t i = 0; i < std::size_t(rows) * cols; ++i)
        m->data[i] = value(random);
    return m;
}

using oracle_equality = core_test;

TEST_F(oracle_equality, inversion_of_random_matrices) {
    std::mt19937_64 random(2024);
    // 521 is large enough for the elimination to be shared among threads, where there
    // are several (ORVANTA_THREADS forces them, as the thread-checked run does).
    for (std::int32_t n : {1, 2, 3, 5, 7, 8, 9, 15, 17, 31, 33, 63, 100, 129, 257, 301, 521}) {
        expect_inverse_matches(*random_matrix(n, n, random));
    }
}

TEST_F(oracle_equality, inversion_of_awkward_matrices) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    std::mt19937_64 random(7);
    for (std::int32_t n : {3, 6, 13, 70}) {
        // Rows that tie exactly: a permuted copy of row 0 in row 1.
        md_ptr tie = random_matrix(n, n, random);
        for (std::int32_t c = 0; c < n; ++c)
            tie->data[n + c] = tie->data[(c * 7) % n];
        tie->data[n] = tie->data[0];
        expect_inverse_matches(*tie);

        md_ptr zero_column = random_matrix(n, n, random);
        for (std::int32_t r = 0; r < n; ++r)
            zero_column->data[r * n + n / 2] = r % 2 ? -0.0 : 0.0;
        expect_inverse_matches(*zero_column);

        md_ptr special = random_matrix(n, n, random);
        special->data[n + 1] = nan;
        special->data[2 * n - 1] = -inf;
        special->data[0] = -0.0;
        special->data[n * n - 1] = inf;
        expect_inverse_matches(*special);

        md_ptr zeros(md_new(n, n));
        md_fill(zeros.get(), -0.0);
        expect_inverse_matches(*zeros);

        md_ptr rank_one(md_new(n, n));
        for (std::int32_t i = 0; i < n * n; ++i)
            rank_one->data[i] = double((i / n + 1) * (i % n + 1));
        expect_inverse_matches(*rank_one);

        md_ptr identity(md_new_identity(n));
        expect_inverse_matches(*identity);

        // Small integers give many exact ties between ratios.
        md_ptr integers(md_new(n, n));
        std::uniform_int_distribution<int> small(-2, 2);
        for (std::int32_t i = 0; i < n * n; ++i)
            integers->data[i] = small(random);
        expect_inverse_matches(*integers);
    }
}

} // namespace

namespace {

void expect_product_matches(const md_t &a, const md_t &b) {
    md_ptr fast(md_mul(&a, &b));
    ASSERT_TRUE(fast);
    md_ptr reference(md_new(a.rows, b.cols));
    literal_md_mul(&a, &b, reference.get());
    EXPECT_TRUE(same_bits(*fast, *reference)) << a.rows << "x" << a.cols << " * " << b.cols;
}

TEST_F(oracle_equality, products_of_many_shapes) {
    std::mt19937_64 random(99);
    const std::int32_t shapes[][3] = {{1, 1, 1},   {3, 5, 1},     {7, 7, 7},      {9, 17, 5},
                                      {33, 31, 1}, {65, 129, 63}, {300, 257, 301}};
    for (const auto &s : shapes) {
        md_ptr a = random_matrix(s[0], s[1], random);
        md_ptr b = random_matrix(s[1], s[2], random);
        a->data[0] = -0.0;
        if (s[1] > 2) {
            b->data[1 % (s[1] * s[2])] = std::numeric_limits<double>::infinity();
            a->data[s[1] - 1] = std::numeric_limits<double>::quiet_NaN();
        }
        expect_product_matches(*a, *b);
        // Negative zeros everywhere: each sum starts from +0.0.
        md_fill(a.get(), -0.0);
        expect_product_matches(*a, *b);
    }
}

TEST_F(oracle_equality, rows_of_a_product) {
    std::mt19937_64 random(5);
    md_ptr a = random_matrix(90, 70, random);
    md_ptr b = random_matrix(70, 80, random);
    std::vector<double> block(33 * 21);
    md_mul_rows(a.get(), b.get(), 40, 33, 21, block.data());
    md_ptr full(md_mul(a.get(), b.get()));
    for (int i = 0; i < 33; ++i) {
        for (int j = 0; j < 21; ++j) {
            EXPECT_EQ(bits(block[std::size_t(i) * 21 + j]), bits(md_get(full.get(), 40 + i, j)));
        }
    }
}

} // namespace
