// Whole-run benchmark: a building on a grid of strip footings, n x n bays,
// one storey, solved in all four linear cases. Prints the model size, the
// seconds of the run and the size of every output file.
//
//   bench_run [n]     (default 12: 169 foundation nodes, 338 nodes in all)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "grid_model.h"
#include "driver/run.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 12;
    const fs::path dir = fs::temp_directory_path() / ("querbal_bench_" + std::to_string(n));
    fs::create_directories(dir);
    const fs::path old = fs::current_path();
    fs::current_path(dir);
    {
        std::ofstream f("datos.dat");
        f << grid_model(n, n);
    }
    std::istringstream console("datos.dat\nresultados.txt\n");
    std::FILE* saved = std::freopen("console.txt", "w", stdout);
    const auto t0 = std::chrono::steady_clock::now();
    const int status = qb::run_querbal(console);
    const auto t1 = std::chrono::steady_clock::now();
    std::fflush(stdout);
    if (saved) std::freopen("/dev/tty", "w", stdout);
    const double s = std::chrono::duration<double>(t1 - t0).count();
    std::fprintf(stderr, "grid %d x %d: %d nodes, exit %d, %.3f s\n", n, n, 2 * (n + 1) * (n + 1), status, s);
    for (const char* f : {"resultados.txt", "MEMORIA", "VALINF", "arch.msh", "arch.res"})
        std::fprintf(stderr, "  %-15s %10.1f MB\n", f, static_cast<double>(fs::file_size(f)) / 1e6);
    fs::current_path(old);
    return status;
}
