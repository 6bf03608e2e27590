// Gauss-Jordan solver: pivot order, in-place inverse, singular stop, and
// bit-for-bit agreement of the fast paths with the plain row-by-row loop.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "solver/gaussj.h"

namespace qb {
namespace {

using Vf = std::vector<float>;

enum class Path { Plain, Columns, Inverse, Solve };

struct Result {
    Vf a, b;
    bool stopped = false;
};

Result solve(Path path, Vf a, Vf b, int n, int lda, int threads = 1) {
    Result r;
    try {
        if (path == Path::Plain) gaussj_plain(a.data(), n, lda, b.data());
        else if (path == Path::Columns) gaussj_columns(a.data(), n, lda, b.data());
        else if (path == Path::Inverse) gaussj(a.data(), n, lda, b.data(), threads);
        else gaussj_solve(a.data(), n, lda, b.data(), threads);
    } catch (const SingularMatrix& e) {
        EXPECT_STREQ(e.what(), "singular matrix in gaussj");
        r.stopped = true;
    }
    r.a = std::move(a);
    r.b = std::move(b);
    return r;
}

bool same_bits(const Vf& x, const Vf& y) {
    return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof(float)) == 0;
}

// Same stop and (when it runs through) the same bits as the plain loop: the
// inverse (padding rows included) and the solution of the full path and of
// the loop written by columns, the solution of the solve-only path, on 1, 2
// and 3 threads.
void expect_as_plain(const Vf& a, const Vf& b, int n, int lda, const std::string& what, bool* stopped = nullptr) {
    const Result ref = solve(Path::Plain, a, b, n, lda);
    if (stopped) *stopped = ref.stopped;
    const Result col = solve(Path::Columns, a, b, n, lda);
    ASSERT_EQ(col.stopped, ref.stopped) << what << " by columns";
    if (!ref.stopped) {
        ASSERT_TRUE(same_bits(col.a, ref.a)) << what << " by columns";
        ASSERT_TRUE(same_bits(col.b, ref.b)) << what << " by columns";
    }
    for (int threads : {1, 2, 3}) {
        const Result inv = solve(Path::Inverse, a, b, n, lda, threads);
        const Result sol = solve(Path::Solve, a, b, n, lda, threads);
        ASSERT_EQ(inv.stopped, ref.stopped) << what << " threads=" << threads;
        ASSERT_EQ(sol.stopped, ref.stopped) << what << " threads=" << threads;
        if (ref.stopped) continue;
        ASSERT_TRUE(same_bits(inv.a, ref.a)) << what << " threads=" << threads;
        ASSERT_TRUE(same_bits(inv.b, ref.b)) << what << " threads=" << threads;
        ASSERT_TRUE(same_bits(sol.b, ref.b)) << what << " threads=" << threads;
    }
}

TEST(Gaussj, SmallCasesGiveTheInverseAndTheSolution) {
    for (Path path : {Path::Plain, Path::Inverse, Path::Solve}) {
        const bool inverse = path != Path::Solve;
        Result r = solve(path, {4.0f}, {2.0f}, 1, 1);
        if (inverse) { EXPECT_EQ(r.a, Vf{0.25f}); }
        EXPECT_EQ(r.b, Vf{0.5f});
        // diagonal with distinct magnitudes: pivots taken largest first
        r = solve(path, {2.0f, 0, 0, 0, -8.0f, 0, 0, 0, 4.0f}, {1.0f, 2.0f, 3.0f}, 3, 3);
        if (inverse) { EXPECT_EQ(r.a, (Vf{0.5f, 0, 0, 0, -0.125f, 0, 0, 0, 0.25f})); }
        EXPECT_EQ(r.b, (Vf{0.5f, -0.25f, 0.75f}));
        // rows (0,2) and (1,0): pivot a(1,2), rows exchanged, columns unscrambled
        // into rows (0,1) and (0.5,0)
        r = solve(path, {0.0f, 1.0f, 2.0f, 0.0f}, {4.0f, 3.0f}, 2, 2);
        if (inverse) { EXPECT_EQ(r.a, (Vf{0.0f, 0.5f, 1.0f, 0.0f})); }
        EXPECT_EQ(r.b, (Vf{3.0f, 2.0f}));
        // n = 0 (or below): nothing changes
        for (int n : {0, -3}) {
            r = solve(path, {7.0f}, {9.0f}, n, 1);
            EXPECT_EQ(r.a, Vf{7.0f});
            EXPECT_EQ(r.b, Vf{9.0f});
        }
    }
}

TEST(Gaussj, EqualMagnitudesTakeTheLastOneScanned) {
    // All four entries tie: the scan ends at a(2,2), the first pivot.
    expect_as_plain({1.0f, 1.0f, -1.0f, 1.0f}, {0.0f, 2.0f}, 2, 2, "2x2 ties");
    // Small-integer matrices: many equal candidates in every pass, and the
    // rounding of the later passes depends on which one was taken.
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> pick(-2, 2);
    for (int n : {3, 5, 9, 17, 33})
        for (int trial = 0; trial < 20; ++trial) {
            Vf a(static_cast<size_t>(n) * n), b(static_cast<size_t>(n));
            for (auto& x : a) x = static_cast<float>(pick(gen));
            for (auto& x : b) x = static_cast<float>(pick(gen));
            expect_as_plain(a, b, n, n, "n=" + std::to_string(n) + " trial " + std::to_string(trial));
        }
}

// A zero pivot, or a pass left with NaN entries only, stops every path at once.
TEST(Gaussj, SingularSystemsStop) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<std::pair<Vf, int>> cases = {
        {{1.0f, 2.0f, 2.0f, 4.0f}, 2},   // rank 1: the second pass meets 0
        {Vf(9, 0.0f), 3},
        {{nan}, 1},   // no candidate in the first pass
    };
    // two NaN columns: once only they remain, a pass finds no candidate
    for (int n : {3, 12, 70}) {
        Vf a(static_cast<size_t>(n) * n);
        for (int k = 0; k < n; ++k)
            for (int j = 0; j < n; ++j) a[static_cast<size_t>(k) * n + j] = k < 2 ? nan : j == k ? 3.0f : 1.0f;
        cases.emplace_back(a, n);
    }
    for (const auto& [a, n] : cases)
        for (Path path : {Path::Plain, Path::Inverse, Path::Solve})
            for (int threads : {1, 3})
                EXPECT_TRUE(solve(path, a, Vf(static_cast<size_t>(n), 1.0f), n, n, threads).stopped)
                    << "n=" << n << " path " << static_cast<int>(path);
}

// Columns left alone by a pass must come out as the plain loop leaves them.
TEST(Gaussj, KeptColumnsFollowThePlainLoop) {
    const float inf = std::numeric_limits<float>::infinity();
    // Pass 1 takes a(3,1) = 5 over a(2,2) = 5 (later row). Column 2 has 0 in
    // the pivot row, so it is kept, but the exchange moves its 5 from row 1
    // to row 3: pass 2 must take a(3,2), the latest 5, not a(2,2).
    expect_as_plain({1.0f, 1.0f, 5.0f, 5.0f, 5.0f, 0.0f, 0.0f, 0.0f, 1.0f}, {1.0f, 2.0f, 3.0f}, 3, 3, "moved maximum");
    // A pivot of -inf gives p = -0 in the inverse column; pass 2 turns that -0
    // into +0 (-0 - (+0 * -0)) although its pivot-row entry is 0.
    expect_as_plain({-inf, 0.0f, 0.0f, 3.0f}, {1.0f, 1.0f}, 2, 2, "-0 in the pivot column");
}

// Sparse systems of every density, with exact zeros of both signs, ties of
// equal magnitudes, infinities, NaN, subnormal and huge entries (products
// overflow on the way), a signalling NaN now and then: the cases where a
// skipped update would not be the identity.
TEST(Gaussj, SparseSystemsWithSpecialValuesMatchThePlainLoop) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float snan = std::numeric_limits<float>::signaling_NaN();
    std::mt19937 gen(20240611);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); };
    int ran_through = 0;
    for (int trial = 0; trial < 400; ++trial) {
        const int kind = trial % 5;
        const int n = 1 + static_cast<int>(gen() % 80), lda = n + static_cast<int>(gen() % 3);
        const double density = uniform(0.03, 0.5), neg_zeros = uniform(0.0, 0.3);
        Vf a(static_cast<size_t>(lda) * n), b(static_cast<size_t>(n));
        auto any_entry = [&]() -> float& {
            const size_t col = gen() % n, row = gen() % n;
            return a[col * lda + row];
        };
        auto value = [&]() -> float {
            switch (kind) {
            case 0: return static_cast<float>(static_cast<int>(gen() % 5) - 2);   // small integers: ties
            case 1: return static_cast<float>(std::exp(uniform(-87, 87)) * (gen() % 2 ? 1 : -1));
            case 2: return static_cast<float>(uniform(-1, 1));
            case 3: return static_cast<float>(uniform(-1, 1) * (gen() % 3 == 0 ? 1e-39 : 1.0));
            default: return gen() % 8 ? (gen() % 2 ? 2.0f : -2.0f) : (gen() % 2 ? 1.0f : -1.0f);
            }
        };
        for (float& x : a) {
            const double q = uniform(0, 1);
            x = q < density ? value() : q < density + neg_zeros ? -0.0f : 0.0f;
        }
        if (kind != 4)
            for (int k = 0; k < n; ++k)
                if (gen() % 4) a[static_cast<size_t>(k) * lda + k] = (gen() % 2 ? 3.0f : -3.0f) * (kind == 0 ? 1.0f : static_cast<float>(uniform(0.5, 2)));
        if (kind == 2)
            for (int s = static_cast<int>(gen() % 4); s > 0; --s)
                any_entry() = gen() % 3 == 0 ? nan : gen() % 2 ? inf : -inf;
        if (trial % 23 == 0) any_entry() = snan;
        for (float& x : b) x = gen() % 3 == 0 ? (gen() % 2 ? 0.0f : -0.0f) : value();
        bool stopped = false;
        expect_as_plain(a, b, n, lda, "trial " + std::to_string(trial) + " n=" + std::to_string(n), &stopped);
        if (HasFatalFailure()) return;
        ran_through += !stopped;
    }
    EXPECT_GT(ran_through, 250);   // most systems are solved, not stopped early
}

// Dense random systems of awkward sizes (vector tails, pivots near the
// edges, several column blocks per thread), signed zeros, padding rows.
TEST(Gaussj, DenseSystemsMatchThePlainLoop) {
    std::mt19937 gen(12345);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int n : {2, 7, 8, 9, 15, 16, 17, 31, 64, 100, 203}) {
        const int lda = n + 3;
        Vf a(static_cast<size_t>(lda) * n), b(static_cast<size_t>(n));
        for (auto& x : a) x = u(gen);
        for (int k = 0; k < n; ++k) a[static_cast<size_t>(k) * lda + k] += (k % 3 == 0 ? 0.0f : 2.0f);
        for (auto& x : b) x = u(gen);
        a[1] = 0.0f;
        a[static_cast<size_t>(lda) + 2] = -0.0f;
        expect_as_plain(a, b, n, lda, "n=" + std::to_string(n));
    }
}

TEST(Gaussj, SolvesAndInvertsToSinglePrecisionAccuracy) {
    std::mt19937 gen(99);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int n : {10, 120, 300}) {
        const size_t N = static_cast<size_t>(n);
        Vf a0(N * N), x0(N), b(N, 0.0f);
        for (auto& x : a0) x = u(gen);
        for (size_t k = 0; k < N; ++k) a0[k * N + k] += 4.0f;   // well conditioned
        for (auto& x : x0) x = u(gen);
        for (size_t j = 0; j < N; ++j) {
            double s = 0;
            for (size_t k = 0; k < N; ++k) s += static_cast<double>(a0[k * N + j]) * x0[k];
            b[j] = static_cast<float>(s);
        }
        const Result r = solve(Path::Inverse, a0, b, n, n, 0);
        double err = 0, ierr = 0;
        for (size_t j = 0; j < N; ++j) err = std::max(err, std::fabs(static_cast<double>(r.b[j]) - x0[j]));
        for (size_t j = 0; j < N; ++j)   // (A^-1 A)(j,k) = delta(j,k)
            for (size_t k = 0; k < N; k += 7) {
                double t = 0;
                for (size_t l = 0; l < N; ++l) t += static_cast<double>(r.a[l * N + j]) * a0[k * N + l];
                ierr = std::max(ierr, std::fabs(t - (j == k ? 1.0 : 0.0)));
            }
        EXPECT_LT(err, 1e-4) << "n=" << n;
        EXPECT_LT(ierr, 1e-4) << "n=" << n;
    }
}

} // namespace
} // namespace qb
