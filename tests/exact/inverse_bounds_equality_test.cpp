// The inversion, whose pivot search decides from bounds on the row sums and whose
// updates wait in blocks, against the reference loops and against the column-sweep
// inversion it replaced, bit for bit (NaN payloads included against the latter), with
// one and two threads and with every kernel width this processor has: synthetic
// matrices that interchange rows inside and beyond a block, tie, hold zeros, NaNs and
// infinities, and the calculator's own P and R at several orders.
#include "core/dense/matrix.h"
#include "core/dense/update_kernels.h"
#include "core/uniform/assembly.h"
#include "core/uniform/mesh.h"
#include "tests/exact/oracle/column_sweep_inverse.h"
#include "tests/exact/oracle/literal_matrix.h"
#include "tests/support/sink_capture.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

md_ptr copy_of(const md_t &m) {
    md_ptr c(md_new(m.rows, m.cols));
    std::memcpy(c->data, m.data, sizeof(double) * std::size_t(m.rows) * m.cols);
    return c;
}

// Equal bit patterns; with loose_nans, any two NaNs count as equal (the reference loops
// leave the compiler free to order the operands of a sum, and with them the payload).
::testing::AssertionResult same_bits(const md_t &a, const md_t &b, bool loose_nans) {
    std::size_t count = std::size_t(a.rows) * a.cols;
    for (std::size_t i = 0; i < count; ++i) {
        if (loose_nans && std::isnan(a.data[i]) && std::isnan(b.data[i])) continue;
        if (bits(a.data[i]) != bits(b.data[i])) {
            return ::testing::AssertionFailure()
                   << "element " << i << ": " << std::hexfloat << a.data[i] << " vs " << b.data[i];
        }
    }
    return ::testing::AssertionSuccess();
}

const update_width widths[] = {update_width::sse2, update_width::avx2, update_width::avx512};
const char *const width_names[] = {"sse2", "avx2", "avx512"};

// The inversion of m with every width and with one and two threads, against the
// column sweep (every bit) and, up to `literal_limit`, the reference loops.
void expect_inversions_match(calc_env &env, const md_t &m, const std::string &what,
                             int literal_limit = 300) {
    md_ptr sweep = copy_of(m);
    column_sweep_md_inverse(sweep.get());
    if (m.rows <= literal_limit) {
        md_ptr literal = copy_of(m);
        literal_md_inverse(literal.get());
        EXPECT_TRUE(same_bits(*sweep, *literal, true)) << what << ": the oracles disagree";
    }
    for (int w = 0; w < 3; ++w) {
        if (!update_kernels_limit(widths[w])) continue;
        for (int threads : {1, 2}) {
            env.threads = threads;
            md_ptr fast = copy_of(m);
            ASSERT_EQ(md_inverse_direct(fast.get()), 0);
            EXPECT_TRUE(same_bits(*fast, *sweep, false))
                << what << ", order " << m.rows << ", " << width_names[w] << ", " << threads
                << " thread(s)";
        }
    }
    update_kernels_limit(update_width::avx512);
    env.threads = 0;
}

md_ptr random_matrix(std::int32_t n, std::mt19937_64 &random) {
    std::uniform_real_distribution<double> value(-1, 1);
    md_ptr m(md_new(n, n));
    for (std::size_t i = 0; i < std::size_t(n) * n; ++i)
        m->data[i] = value(random);
    return m;
}

// A NaN with its own payload and sign, so that a payload taken from the wrong operand
// shows.
double nan_with_payload(std::uint64_t payload, bool negative) {
    std::uint64_t b = 0x7ff8000000000000ULL | (payload & 0x0007ffffffffffffULL);
    if (negative) b |= 0x8000000000000000ULL;
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

using inverse_bounds_equality = core_test;

// Dense random matrices interchange rows at almost every step, to rows inside and
// beyond the current block, and have many near-equal ratios; orders around the block
// length and the tile sizes, and large enough for two threads.
TEST_F(inverse_bounds_equality, random_matrices_with_interchanges) {
    std::mt19937_64 random(11);
    for (std::int32_t n : {1, 2, 3, 7, 31, 32, 33, 65, 97, 250, 420}) {
        expect_inversions_match(env(), *random_matrix(n, random), "random");
    }
}

// A diagonally dominant matrix whose rows are shuffled: the bounds decide almost every
// step alone, and every decision is an interchange.
TEST_F(inverse_bounds_equality, shuffled_dominant_rows) {
    std::mt19937_64 random(12);
    for (std::int32_t n : {40, 130, 300}) {
        md_ptr m = random_matrix(n, random);
        for (std::int32_t i = 0; i < n; ++i)
            m->data[std::size_t(i) * n + i] = 3.0 * n * (i % 3 == 0 ? -1 : 1);
        std::vector<std::int32_t> order(n);
        for (std::int32_t i = 0; i < n; ++i)
            order[i] = i;
        std::shuffle(order.begin(), order.end(), random);
        md_ptr shuffled(md_new(n, n));
        for (std::int32_t i = 0; i < n; ++i) {
            std::memcpy(shuffled->data + std::size_t(i) * n, m->data + std::size_t(order[i]) * n,
                        sizeof(double) * n);
        }
        expect_inversions_match(env(), *shuffled, "shuffled dominant");
    }
}

// Exact ties between ratios (the lowest row keeps the place), zero entries of both
// signs that are passed over, whole zero columns (singular: g is infinite) and a
// rank-one matrix.
TEST_F(inverse_bounds_equality, ties_zeros_and_singular_matrices) {
    std::mt19937_64 random(13);
    for (std::int32_t n : {5, 40, 77, 260}) {
        md_ptr integers(md_new(n, n));
        std::uniform_int_distribution<int> small(-2, 2);
        for (std::int32_t i = 0; i < n * n; ++i)
            integers->data[i] = small(random);
        expect_inversions_match(env(), *integers, "small integers");

        md_ptr tie = random_matrix(n, random);
        for (std::int32_t c = 0; c < n; ++c)
            tie->data[n + c] = tie->data[(c * 7) % n];
        tie->data[n] = tie->data[0];
        expect_inversions_match(env(), *tie, "tied rows");

        md_ptr sparse = random_matrix(n, random);
        std::bernoulli_distribution zero(0.7);
        for (std::int32_t i = 0; i < n * n; ++i) {
            if (zero(random)) sparse->data[i] = i % 2 ? -0.0 : 0.0;
        }
        expect_inversions_match(env(), *sparse, "mostly zeros");

        md_ptr zero_column = random_matrix(n, random);
        for (std::int32_t r = 0; r < n; ++r)
            zero_column->data[std::size_t(r) * n + n / 3] = r % 2 ? -0.0 : 0.0;
        expect_inversions_match(env(), *zero_column, "zero column");

        md_ptr rank_one(md_new(n, n));
        for (std::int32_t i = 0; i < n * n; ++i)
            rank_one->data[i] = double((i / n + 1) * (i % n + 1));
        expect_inversions_match(env(), *rank_one, "rank one");

        md_ptr identity(md_new_identity(n));
        expect_inversions_match(env(), *identity, "identity");
    }
}

// NaNs of distinct payloads and signs, infinities, and entries whose products overflow
// or underflow: their rows cannot be bounded, and every NaN must come out of the
// operand the elimination takes it from.
TEST_F(inverse_bounds_equality, nans_infinities_and_extremes) {
    std::mt19937_64 random(14);
    for (std::int32_t n : {4, 36, 90, 230}) {
        md_ptr special = random_matrix(n, random);
        for (std::int32_t i = 0; i < 6; ++i) {
            std::size_t at = std::size_t(random() % (std::uint64_t(n) * n));
            special->data[at] = nan_with_payload(random(), i % 2);
        }
        special->data[std::size_t(n) * n - 1] = inf;
        special->data[std::size_t(n / 2) * n] = -inf;
        expect_inversions_match(env(), *special, "NaN and infinity");

        // A NaN in the middle of the matrix, reached late: the steps before it have
        // bounds, those after it none.
        md_ptr late = random_matrix(n, random);
        for (std::int32_t i = 0; i < n; ++i)
            late->data[std::size_t(i) * n + i] += 4.0;
        late->data[std::size_t(n - 2) * n + n - 2] = nan_with_payload(0x5a5a5, true);
        expect_inversions_match(env(), *late, "late NaN");

        md_ptr extremes = random_matrix(n, random);
        std::uniform_int_distribution<int> exponent(-1074, 1023);
        for (std::int32_t i = 0; i < n * n; i += 3)
            extremes->data[i] = std::ldexp(extremes->data[i], exponent(random));
        expect_inversions_match(env(), *extremes, "extreme magnitudes");

        md_ptr tiny = random_matrix(n, random);
        for (std::int32_t i = 0; i < n * n; ++i)
            tiny->data[i] = std::ldexp(tiny->data[i], -1060);
        expect_inversions_match(env(), *tiny, "subnormal entries");
    }
}

// P and its strip block R, as the solver inverts them, for microstrips and two-strip
// lines at several orders. No interchange happens on them: the diagonal wins.
TEST_F(inverse_bounds_equality, potential_matrices_of_real_lines) {
    struct line {
        double w1, w2, d, p, h, epsilon_r, step; // millimetres
    };
    // A microstrip 1 mm wide over 0.635 mm of permittivity 10.2 is solved as its mirrored
    // pair: equal strips 1.27 mm apart.
    const line lines[] = {
        {2.4, 10, 0, 2, 0.79, 2.2, 0.1},
        {1, 1, 0, 1, 1.27, 10.2, 0.05},
        {2.4, 10, 0.3, 2, 0.79, 4.4, 0.06},
        {1, 1, 0, 1, 1.27, 10.2, 0.03},
    };
    for (const line &g : lines) {
        mesh_ptr mesh(mesh_new(g.w1 * 1e-3, g.w2 * 1e-3, g.d * 1e-3, g.p * 1e-3, g.h * 1e-3,
                               g.epsilon_r, g.step * 1e-3));
        ASSERT_TRUE(mesh);
        std::int32_t n = mesh->cell_count, s = mesh->dielectric_begin;
        md_ptr p(md_new(n, n)), f(md_new(n, n)), r(md_new(s, s));
        md_fill(p.get(), 0.0);
        md_fill(f.get(), 0.0);
        assemble_system(mesh.get(), p.get(), f.get());
        for (std::int32_t i = 0; i < s; ++i) {
            std::memcpy(r->data + std::size_t(i) * s, p->data + std::size_t(i) * n,
                        sizeof(double) * s);
        }
        std::string what = "line of " + std::to_string(n) + " cells";
        expect_inversions_match(env(), *p, "P of the " + what, 0);
        expect_inversions_match(env(), *r, "R of the " + what, 0);
    }
}

} // namespace
