// The cost of the working log: the same run of a grid building with the log
// MEMORIA written (--log full) and with it left closed (--log off), in one
// process, alternating (off, full, off, full, ...) so that a change in the
// load of a shared machine falls on both. Prints the best wall-clock and
// processor seconds (every thread, user and system) of each, their ratios and
// the size of the log.
//
//   bench_log [nx ny storeys [repeats [threads]]]     (default 18 18 1 1 0: 722 nodes,
//                                                    the solver's own thread count)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>

#include "grid_model.h"
#include "driver/run.h"
#include "solver/gaussj.h"

namespace fs = std::filesystem;

namespace {

int threads = 0;   // of the equation solver, 0: as it chooses

struct Seconds {
    double wall = 1e300, cpu = 1e300;
};

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + 1e-6 * double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

void timed_run(const fs::path& dir, bool log, Seconds& best) {
    qb::RunSettings s;
    s.data = (dir / "datos.dat").string();
    s.outdir = (dir / (log ? "full" : "off")).string();
    s.log = log;
    s.solver.threads = threads;
    s.console = false;
    std::istringstream no_console;
    const double c0 = cpu_seconds();
    const auto t0 = std::chrono::steady_clock::now();
    const int status = qb::run_querbal(s, no_console);
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = cpu_seconds();
    if (status != 0) std::fprintf(stderr, "exit status %d\n", status);
    const double wall = std::chrono::duration<double>(t1 - t0).count();
    std::fprintf(stderr, "  log %-4s %8.2f s wall %8.2f s cpu\n", log ? "full" : "off", wall, c1 - c0);
    if (wall < best.wall) best.wall = wall;
    if (c1 - c0 < best.cpu) best.cpu = c1 - c0;
}

} // namespace

int main(int argc, char** argv) {
    const int nx = argc > 3 ? std::atoi(argv[1]) : 18;
    const int ny = argc > 3 ? std::atoi(argv[2]) : 18;
    const int storeys = argc > 3 ? std::atoi(argv[3]) : 1;
    const int repeats = argc > 4 ? std::atoi(argv[4]) : 1;
    threads = argc > 5 ? std::atoi(argv[5]) : 0;
    const fs::path dir = fs::temp_directory_path() / ("querbal_bench_log_" + std::to_string(nx) + "x" +
                                                      std::to_string(ny) + "x" + std::to_string(storeys));
    fs::create_directories(dir);
    {
        std::ofstream f(dir / "datos.dat");
        f << grid_model(nx, ny, storeys);
    }
    Seconds off, full;
    for (int r = 0; r < repeats; ++r) {
        timed_run(dir, false, off);
        timed_run(dir, true, full);
    }
    const double mb = static_cast<double>(fs::file_size(dir / "full" / "MEMORIA")) / 1e6;
    std::printf("grid %d x %d, %d storeys: %d nodes, best of %d\n", nx, ny, storeys,
                (storeys + 1) * (nx + 1) * (ny + 1), repeats);
    std::printf("              wall s     cpu s\n");
    std::printf("  --log full  %8.2f  %8.2f   (MEMORIA %.0f MB)\n", full.wall, full.cpu, mb);
    std::printf("  --log off   %8.2f  %8.2f\n", off.wall, off.cpu);
    std::printf("  full / off  %8.3f  %8.3f\n", full.wall / off.wall, full.cpu / off.cpu);
    fs::remove_all(dir);
    return 0;
}
