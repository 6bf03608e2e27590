// Timing of the dense solver on random well-conditioned systems.
// Usage: bench_gaussj [n ...]   (default 500 1000 2000)
// Prints n, threads, seconds and GFLOP/s counting 2 n^3 operations, for the
// calling thread alone and for the automatic choice of threads.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "output/lineform.h"
#include "solver/gaussj.h"

int main(int argc, char** argv) {
    using namespace qb;
    std::vector<int32_t> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(static_cast<int32_t>(std::atoi(argv[i])));
    if (sizes.empty()) sizes = {500, 1000, 2000};

    Channel out;
    out.attach_stdout();
    Rec(out).text("     n threads   seconds    GFLOP/s");

    std::mt19937 gen(2024);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int32_t n : sizes) {
        if (n < 1) continue;
        const size_t nn = static_cast<size_t>(n);
        std::vector<float> a0(nn * nn), b0(nn);
        for (auto& x : a0) x = u(gen);
        for (size_t k = 0; k < nn; ++k) a0[k * nn + k] += 4.0f;
        for (auto& x : b0) x = u(gen);

        for (int32_t threads : {1, 0}) {
            std::vector<float> a = a0, b = b0;
            const auto t0 = std::chrono::steady_clock::now();
            gaussj(a.data(), n, n, b.data(), threads);
            const auto t1 = std::chrono::steady_clock::now();
            const double s = std::chrono::duration<double>(t1 - t0).count();
            const double flops = 2.0 * static_cast<double>(n) * n * n;
            Rec r(out);
            r.I(n, 6);
            if (threads == 0) r.text("    auto");
            else r.I(threads, 8);
            r.F(static_cast<float>(s), 10, 3).F(static_cast<float>(flops / s * 1e-9), 11, 2);
        }
    }
    out.flush();
    return 0;
}
