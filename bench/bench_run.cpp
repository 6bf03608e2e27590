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

#include "driver/run.h"

namespace fs = std::filesystem;

namespace {

std::string grid_model(int n) {
    const int per = (n + 1) * (n + 1);   // nodes per level
    std::ostringstream d;
    d << "'Reticula de " << n << " x " << n << " crujias'\nUNIDADES\n't' 'm' 't/m' 't/m2' 't/m3'\n"
      << "KANAL CASO NFLAG1\n0 1 1 1 1 3\n1\nMATERIAL\n'CONCRETO' 2.4 2213594. 0.2\n3\nSECCIONES\n"
      << "'ZAPATA' 'CONCRETO' 1.2 0.6\n'COLUMNA' 'CONCRETO' 0.4 0.4\n'VIGA' 'CONCRETO' 0.3 0.6\n";
    d << 2 * per << "\nNODOS\n";
    int label = 0;
    for (int level = 0; level < 2; ++level)
        for (int iy = 0; iy <= n; ++iy)
            for (int ix = 0; ix <= n; ++ix) {
                ++label;
                d << label << ' ' << 5.0 * ix << ' ' << 5.0 * iy << ' ' << 3.0 * level << ' '
                  << (level == 0 ? "1 1 0 0 0 1 1 1.0\n" : "0 0 0 0 0 0 0 0.0\n");
            }
    const int beams = 2 * n * (n + 1);
    d << 2 * beams + per << "\nBARRAS\n";
    int bar = 0;
    auto node = [&](int level, int ix, int iy) { return level * per + iy * (n + 1) + ix + 1; };
    for (int level = 0; level < 2; ++level) {
        const char* sec = level == 0 ? "'ZAPATA'" : "'VIGA'";
        const char* load = level == 0 ? "0 0 0 0 0" : "2.0 1.5 1.8 3.0 0";
        for (int iy = 0; iy <= n; ++iy)
            for (int ix = 0; ix < n; ++ix)
                d << ++bar << ' ' << sec << ' ' << node(level, ix, iy) << ' ' << node(level, ix + 1, iy) << " 0 0 0 "
                  << load << '\n';
        for (int ix = 0; ix <= n; ++ix)
            for (int iy = 0; iy < n; ++iy)
                d << ++bar << ' ' << sec << ' ' << node(level, ix, iy) << ' ' << node(level, ix, iy + 1) << " 0 0 0 "
                  << load << '\n';
    }
    for (int iy = 0; iy <= n; ++iy)
        for (int ix = 0; ix <= n; ++ix)
            d << ++bar << " 'COLUMNA' " << node(0, ix, iy) << ' ' << node(1, ix, iy) << " 0 0 0 0 0 0 0 0\n";
    d << "0\nZAPATAS\n1\nCARGAS\n" << node(1, n / 2, n / 2) << " 0 0 -10 0 0 0\n0\nRESORTES\n";
    d << "1 10.0\n2\nESTRATO 1\n1 2 3.0 1.6\n2000. 0.30 5.0\n1500. 0.35 5.0 0.6 150. 0.5 2.0\n800. 1.5 1.0\n"
      << "1200. 1.2 0.5 1.0\nESTRATO 2\n2 1 10.0 1.8\n6000. 0.25 8.0\n5000. 0.30 8.0 0.5 400. 0.6 5.0\n"
      << "3000. 3.0 1.0\n4000. 2.5 0.5 1.0\n";
    d << "0\nLOSAS\nEJES\nNEJES NDIV\n1 4\nEJE A\n" << n;
    for (int ix = 1; ix <= n; ++ix) d << ' ' << ix;
    d << '\n';
    return d.str();
}

} // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 12;
    const fs::path dir = fs::temp_directory_path() / ("querbal_bench_" + std::to_string(n));
    fs::create_directories(dir);
    const fs::path old = fs::current_path();
    fs::current_path(dir);
    {
        std::ofstream f("datos.dat");
        f << grid_model(n);
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
