// Timing of the dense solver.
//
//   bench_gaussj [--plain-max N] [--reps R] [n ...]     (default sizes 500 1000 2000 4000)
//
// First a triad a(i) = b(i) + s*c(i) over arrays far larger than the caches
// measures the memory bandwidth on 1 and 2 threads. Then, for every order n and
// two kinds of system,
//   dense   random entries in (-1, 1), 4 added on the diagonal;
//   frame   stiffness of a grid of 3-D beams on elastic supports, coupled to
//           one reaction per foundation node with a dense flexibility block
//           at the end (the shape of the interaction systems: most entries of
//           a pivot row are exact zeros),
// it times the textbook loop ("plain", full inverse, one thread; only up to
// order N, default 1000, since it strides across the stored columns), the full
// inverse and the solve-only path on 1 and 2 threads, best of R rounds
// (default: as many as fit in 1.5 s, at most 5).
//
// GFLOP/s count the work of the dense elimination whatever is skipped:
// 2 n^3 for the full inverse, n^3 for the solve-only path. GB/s count the
// traffic of that work, one float read and one written per multiply-subtract
// (4 bytes per flop); "of triad" compares it with the triad of as many threads
// (above 1: the columns are served by the caches). "x plain" is the time of
// the plain loop over the time of the row. Every path is checked to give the
// solution bits of the first one.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "solver/gaussj.h"

namespace {

using Clock = std::chrono::steady_clock;
using Vf = std::vector<float>;

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Triad over `threads` threads, GB/s counting three arrays of floats (two read,
// one written), best of five.
double triad_gbs(int threads) {
    const size_t len = size_t{1} << 24;   // 64 MB per array
    Vf a(len, 0.0f), b(len, 1.0f), c(len, 2.0f);
    auto part = [&](size_t lo, size_t hi) {
        for (size_t i = lo; i < hi; ++i) a[i] = b[i] + 0.5f * c[i];
    };
    double best = 1e30;
    for (int rep = 0; rep < 5; ++rep) {
        const auto t0 = Clock::now();
        std::vector<std::thread> pool;
        for (int t = 1; t < threads; ++t) pool.emplace_back(part, len * t / threads, len * (t + 1) / threads);
        part(0, len / threads);
        for (auto& th : pool) th.join();
        best = std::min(best, seconds_since(t0));
    }
    if (a[len / 2] != 2.0f) std::printf("triad: wrong result\n");
    return 3.0 * 4.0 * static_cast<double>(len) / best * 1e-9;
}

void dense_system(int32_t n, Vf& a, Vf& b) {
    std::mt19937 gen(2024);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    const size_t nn = static_cast<size_t>(n);
    a.assign(nn * nn, 0.0f);
    b.assign(nn, 0.0f);
    for (auto& x : a) x = u(gen);
    for (size_t k = 0; k < nn; ++k) a[k * nn + k] += 4.0f;
    for (auto& x : b) x = u(gen);
}

// Grid of nodes at 5 m spacing, six dofs each (DX DY DZ MX MY MZ), beams along
// X and Y with three sections; the first row of nodes stands on springs and
// carries the reactions. Order n: the frame dofs, then n/10 reactions.
void frame_system(int32_t n, Vf& a, Vf& b) {
    const size_t nn = static_cast<size_t>(n);
    a.assign(nn * nn, 0.0f);
    b.assign(nn, 0.0f);
    auto A = [&](int32_t r, int32_t c) -> float& { return a[static_cast<size_t>(c) * nn + static_cast<size_t>(r)]; };
    const int32_t nr = std::max(1, n / 10), m = n - nr;
    const int32_t nodes = (m + 5) / 6;
    const int32_t nx = std::max(1, static_cast<int32_t>(std::ceil(std::sqrt(static_cast<double>(nodes)))));
    auto dof = [&](int32_t node, int32_t k) { return 6 * node + k; };
    auto add = [&](int32_t r, int32_t c, double v) {
        if (r < m && c < m) A(r, c) += static_cast<float>(v);
    };
    const double E = 2213594.0, G = E / 2.4, L = 5.0;
    const double sec[3][2] = {{0.3, 0.6}, {0.4, 0.4}, {0.3, 0.5}};   // base, depth
    int32_t bar = 0;
    for (int32_t i = 0; i < nodes; ++i)
        for (int32_t dir = 0; dir < 2; ++dir) {
            const int32_t j = dir == 0 ? (i % nx + 1 < nx ? i + 1 : -1) : i + nx;
            if (j < 0 || j >= nodes) continue;
            const double bb = sec[bar % 3][0], hh = sec[bar % 3][1];
            ++bar;
            const double EA = E * bb * hh / L, GJ = G * bb * hh * (bb * bb + hh * hh) / 12.0 / L;
            const double Iz = hh * bb * bb * bb / 12.0, Iy = bb * hh * hh * hh / 12.0;
            // axis of the bar: u along it, v across it, w vertical; rotations about them
            const int32_t u = dir == 0 ? 0 : 1, v = dir == 0 ? 1 : 0, ru = 3 + u, rv = 3 + v;
            const double sv = dir == 0 ? 1.0 : -1.0;   // sense of the in-plane rotation coupling
            auto pair = [&](int32_t p, int32_t q, double kk) {
                add(dof(i, p), dof(i, q), kk);
                add(dof(j, p), dof(j, q), kk);
                add(dof(i, p), dof(j, q), -kk);
                add(dof(j, p), dof(i, q), -kk);
            };
            pair(u, u, EA);
            pair(ru, ru, GJ);
            // bending with the vertical deflection w (about v) and the horizontal v (about w)
            for (int32_t plane = 0; plane < 2; ++plane) {
                const double EI = E * (plane == 0 ? Iy : Iz);
                const int32_t t = plane == 0 ? 2 : v, r = plane == 0 ? rv : 5;
                const double s = plane == 0 ? -sv : sv;
                const double k1 = 12 * EI / (L * L * L), k2 = 6 * EI / (L * L) * s, k3 = 4 * EI / L, k4 = 2 * EI / L;
                add(dof(i, t), dof(i, t), k1), add(dof(j, t), dof(j, t), k1);
                add(dof(i, t), dof(j, t), -k1), add(dof(j, t), dof(i, t), -k1);
                add(dof(i, r), dof(i, r), k3), add(dof(j, r), dof(j, r), k3);
                add(dof(i, r), dof(j, r), k4), add(dof(j, r), dof(i, r), k4);
                add(dof(i, t), dof(i, r), k2), add(dof(i, r), dof(i, t), k2);
                add(dof(i, t), dof(j, r), k2), add(dof(j, r), dof(i, t), k2);
                add(dof(j, t), dof(i, r), -k2), add(dof(i, r), dof(j, t), -k2);
                add(dof(j, t), dof(j, r), -k2), add(dof(j, r), dof(j, t), -k2);
            }
        }
    // springs under the first row of nodes, a small one everywhere else
    for (int32_t i = 0; i < nodes; ++i)
        for (int32_t k = 0; k < 6; ++k)
            if (dof(i, k) < m) add(dof(i, k), dof(i, k), i < nx ? 1000.0 : 1.0);
    // reaction j at the vertical dof of node j: load on the frame, and
    // compatibility d + sum FLEX R = 0 with a flexibility decaying with distance
    for (int32_t j = 0; j < nr; ++j) {
        const int32_t g = dof(j % nodes, 2), col = m + j;
        if (g < m) {
            A(g, col) = -L;
            if (g + 2 < m) A(g + 2, col) = static_cast<float>(-L * L / 12.0);
            A(col, g) = 1.0f;
        }
        for (int32_t k = 0; k < nr; ++k) {
            const double dx = (j % nx) - (k % nx), dy = (j / nx) - (k / nx);
            A(col, m + k) = static_cast<float>(5.2e-4 / (1.0 + 4.0 * (dx * dx + dy * dy)));
        }
    }
    for (int32_t i = 0; i < m; i += 6) b[static_cast<size_t>(std::min(i + 2, m - 1))] = -10.0f;
}

struct Timed {
    double seconds = 1e30;   // best run
    Vf b;                    // solution of the last run
    bool singular = false;
};

// One run of `solve` on copies of the system, keeping the best time.
template <class Solve>
double time_once(Timed& t, const Vf& a0, const Vf& b0, Solve&& solve) {
    Vf a = a0, b = b0;
    const auto t0 = Clock::now();
    try {
        solve(a.data(), b.data());
    } catch (const qb::SingularMatrix&) {
        t.singular = true;
    }
    const double s = seconds_since(t0);
    t.seconds = std::min(t.seconds, s);
    t.b = std::move(b);
    return s;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int32_t> sizes;
    int32_t plain_max = 1000;
    int reps = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--plain-max" && i + 1 < argc) plain_max = std::atoi(argv[++i]);
        else if (arg == "--reps" && i + 1 < argc) reps = std::atoi(argv[++i]);
        else if (std::atoi(argv[i]) > 0) sizes.push_back(static_cast<int32_t>(std::atoi(argv[i])));
        else {
            std::fprintf(stderr, "usage: bench_gaussj [--plain-max N] [--reps R] [n ...]\n");
            return 2;
        }
    }
    if (sizes.empty()) sizes = {500, 1000, 2000, 4000};

    const double bw[3] = {0.0, triad_gbs(1), triad_gbs(2)};
    std::printf("triad bandwidth: %.1f GB/s on 1 thread, %.1f GB/s on 2 threads\n\n", bw[1], bw[2]);
    std::printf("     n  matrix  path     threads   seconds   GFLOP/s    GB/s  of triad   x plain\n");

    for (const char* kind : {"dense", "frame"}) {
        for (int32_t n : sizes) {
            Vf a0, b0;
            if (kind[0] == 'd') dense_system(n, a0, b0);
            else frame_system(n, a0, b0);
            const double nd = static_cast<double>(n);
            double plain_s = 0;
            const Vf* first_b = nullptr;
            Timed plain;
            auto row = [&](const char* path, int threads, const Timed& t, double flops) {
                const double gbs = 4.0 * flops / t.seconds * 1e-9;
                std::printf("%6d  %-6s  %-7s %8d %9.4f %9.2f %7.1f %9.2f", n, kind, path, threads, t.seconds,
                            flops / t.seconds * 1e-9, gbs, gbs / bw[threads]);
                if (plain_s > 0) std::printf(" %9.1f", plain_s / t.seconds);
                else std::printf("         -");
                if (t.singular) std::printf("  singular");
                else if (first_b && std::memcmp(first_b->data(), t.b.data(), t.b.size() * sizeof(float)) != 0)
                    std::printf("  SOLUTION BITS DIFFER");
                std::printf("\n");
                std::fflush(stdout);
            };
            if (n <= plain_max) {
                time_once(plain, a0, b0, [&](float* a, float* b) { qb::gaussj_plain(a, n, n, b); });
                plain_s = plain.seconds;
                first_b = &plain.b;
                row("plain", 1, plain, 2 * nd * nd * nd);
            }
            // The four fast runs take turns, so that a busy spell of the
            // machine does not fall on one of them only; best of the rounds.
            Timed runs[4];
            double spent = 0;
            for (int round = 0; round < (reps > 0 ? reps : 5) && (reps > 0 || round == 0 || spent < 1.5); ++round)
                for (int r = 0; r < 4; ++r) {
                    const int threads = 1 + r / 2;
                    if (r % 2 == 0)
                        spent += time_once(runs[r], a0, b0, [&](float* a, float* b) { qb::gaussj(a, n, n, b, threads); });
                    else
                        spent += time_once(runs[r], a0, b0,
                                           [&](float* a, float* b) { qb::gaussj_solve(a, n, n, b, threads); });
                }
            if (!first_b) first_b = &runs[0].b;
            for (int r = 0; r < 4; ++r) row(r % 2 == 0 ? "inverse" : "solve", 1 + r / 2, runs[r], (r % 2 == 0 ? 2 : 1) * nd * nd * nd);
        }
    }
    return 0;
}
