// Gauss-Jordan solver: pivot order, in-place inverse, singular stop, and
// bit-for-bit agreement with the plain row-by-row loop.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "solver/gaussj.h"

namespace qb {
namespace {

using Vf = std::vector<float>;

struct Result {
    Vf a, b;
    bool stopped = false;
};

Result solve(Vf a, Vf b, int n, int lda, int threads = 1) {
    Result r;
    try {
        gaussj(a.data(), n, lda, b.data(), threads);
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

// Same stop and (when it runs through) the same bits as the plain loop, with
// the columns shared among 1, 2 and 3 threads.
void expect_as_plain(const Vf& a, const Vf& b, int n, int lda, const std::string& what) {
    Vf ra = a, rb = b;
    bool stopped = false;
    try {
        gaussj_plain(ra.data(), n, lda, rb.data());
    } catch (const SingularMatrix&) {
        stopped = true;
    }
    for (int threads : {1, 2, 3}) {
        const Result r = solve(a, b, n, lda, threads);
        ASSERT_EQ(r.stopped, stopped) << what << " threads=" << threads;
        if (stopped) continue;
        EXPECT_TRUE(same_bits(r.a, ra)) << what << " threads=" << threads;
        EXPECT_TRUE(same_bits(r.b, rb)) << what << " threads=" << threads;
    }
}

TEST(Gaussj, SmallCasesGiveTheInverseAndTheSolution) {
    Result r = solve({4.0f}, {2.0f}, 1, 1);
    EXPECT_EQ(r.a, Vf{0.25f});
    EXPECT_EQ(r.b, Vf{0.5f});
    // diagonal with distinct magnitudes: pivots taken largest first
    r = solve({2.0f, 0, 0, 0, -8.0f, 0, 0, 0, 4.0f}, {1.0f, 2.0f, 3.0f}, 3, 3);
    EXPECT_EQ(r.a, (Vf{0.5f, 0, 0, 0, -0.125f, 0, 0, 0, 0.25f}));
    EXPECT_EQ(r.b, (Vf{0.5f, -0.25f, 0.75f}));
    // rows (0,2) and (1,0): pivot a(1,2), rows exchanged, columns unscrambled
    // into rows (0,1) and (0.5,0)
    r = solve({0.0f, 1.0f, 2.0f, 0.0f}, {4.0f, 3.0f}, 2, 2);
    EXPECT_EQ(r.a, (Vf{0.0f, 0.5f, 1.0f, 0.0f}));
    EXPECT_EQ(r.b, (Vf{3.0f, 2.0f}));
    // n = 0 (or below): nothing changes
    for (int n : {0, -3}) {
        r = solve({7.0f}, {9.0f}, n, 1);
        EXPECT_EQ(r.a, Vf{7.0f});
        EXPECT_EQ(r.b, Vf{9.0f});
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

// A zero pivot, or a pass left with NaN entries only, stops at once.
TEST(Gaussj, SingularSystemsStop) {
    EXPECT_TRUE(solve({1.0f, 2.0f, 2.0f, 4.0f}, {1.0f, 1.0f}, 2, 2).stopped);   // second pass meets 0
    EXPECT_TRUE(solve(Vf(9, 0.0f), Vf(3, 1.0f), 3, 3).stopped);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(solve({nan}, {1.0f}, 1, 1).stopped);   // no candidate in the first pass
    // Two NaN columns: once only they remain, a pass finds no candidate.
    for (int n : {3, 4, 12}) {
        Vf a(static_cast<size_t>(n) * n), b(static_cast<size_t>(n), 1.0f);
        for (int k = 0; k < n; ++k)
            for (int j = 0; j < n; ++j) a[static_cast<size_t>(k) * n + j] = (k < 2 ? nan : j == k ? 3.0f : 1.0f);
        expect_as_plain(a, b, n, n, "NaN columns n=" + std::to_string(n));
        EXPECT_TRUE(solve(a, b, n, n).stopped);
    }
}

// Random dense systems of awkward sizes (vector tails, pivots near the edges),
// signed zeros, and padding rows (lda > n) that must stay untouched.
TEST(Gaussj, RandomSystemsMatchThePlainLoopBitForBit) {
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
        const Result r = solve(a0, b, n, n, 0);
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
