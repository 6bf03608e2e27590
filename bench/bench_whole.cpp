// Whole runs of generated grid buildings, four linear cases each, every
// output written as the program writes it:
//   bench_whole grid     the 440-node grid (coupled order 2200): the program
//                        against the straightforward implementation, the same
//                        program with the textbook Gauss-Jordan loop (the whole
//                        inverse, every column swept, one thread), written
//                        column by column (the storage's order) and, when
//                        asked with "grid rows", also row by row as printed
//   bench_whole limit    the limit model of the dense tables (810 nodes on 140
//                        area reactions, order 4580), in the program's own
//                        arithmetic and in double precision
//   bench_whole write-limit FILE   writes the limit model's data file (for
//                        bench/bench_large.py)
// Each run is a child process of its own: wall seconds, peak memory (maximum
// resident set) and the size of the outputs. The machine is shared: compare
// the ratios within one run of the benchmark.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "driver/entry.h"
#include "grid_model.h"
#include "solver/gaussj.h"

namespace {

namespace fs = std::filesystem;

struct Result {
    double seconds = 0.0;
    long peak_kb = 0;
    double output_mb = 0.0;
    int status = -1;
};

// One run of the program on `data` into `dir`, in a child process.
Result run(const fs::path& data, const fs::path& dir, qb::Elimination elimination, bool double_precision, bool log) {
    fs::remove_all(dir);
    std::vector<std::string> args = {"querbal", data.string(), "-C", dir.string(), "-q", "--no-vtk", "--no-csv"};
    if (!log) args.insert(args.end(), {"--log", "off"});
    if (double_precision) args.insert(args.end(), {"--precision", "double"});
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int argc = static_cast<int>(args.size());
        _exit(qb::run_program(argc, argv.data(), elimination));
    }
    int wstatus = 0;
    rusage ru{};
    wait4(pid, &wstatus, 0, &ru);
    Result r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.peak_kb = ru.ru_maxrss;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    for (const auto& f : fs::directory_iterator(dir)) r.output_mb += static_cast<double>(fs::file_size(f)) / 1e6;
    return r;
}

void show(const char* what, const Result& r) {
    std::printf("  %-44s %8.2f s  %7.0f MB peak  %7.0f MB of outputs  exit %d\n", what, r.seconds,
                static_cast<double>(r.peak_kb) / 1024.0, r.output_mb, r.status);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const std::string which = argc > 1 ? argv[1] : "grid";
    if (which == "write-limit" && argc > 2) {
        std::ofstream f(argv[2]);
        f << grid_model(13, 9, 5, 0, 2, 10);
        return f ? 0 : 1;
    }
    const fs::path root = fs::temp_directory_path() / ("querbal_bench_whole_" + std::to_string(getpid()));
    fs::create_directories(root);
    const fs::path data = root / "datos.dat";
    {
        std::ofstream f(data);
        f << (which == "limit" ? grid_model(13, 9, 5, 0, 2, 10) : grid_model(19, 10, 1));
    }
    if (which == "limit") {
        std::printf("limit model: 810 nodes, 140 area reactions, coupled order 4580, four linear cases\n");
        const auto program = qb::Elimination::program;
        const Result single = run(data, root / "single", program, false, true);
        show("program (single precision, log written)", single);
        const Result dbl = run(data, root / "double", program, true, true);
        show("--precision double (log written)", dbl);
        show("--precision double --log off", run(data, root / "double_nolog", program, true, false));
        std::printf("  double / single: %.2f\n", dbl.seconds / single.seconds);
    } else {
        std::printf("grid 19 x 10 bays, one storey: 440 nodes, 220 area reactions, coupled order 2200, "
                    "four linear cases\n");
        const Result fast = run(data, root / "fast", qb::Elimination::program, false, true);
        show("program", fast);
        const Result columns = run(data, root / "columns", qb::Elimination::textbook_columns, false, true);
        show("straightforward (textbook loop, by columns)", columns);
        std::printf("  program / straightforward: %.3f\n", fast.seconds / columns.seconds);
        if (argc > 2 && std::strcmp(argv[2], "rows") == 0) {
            const Result rows = run(data, root / "rows", qb::Elimination::textbook_rows, false, true);
            show("textbook loop as printed (by rows)", rows);
            std::printf("  program / by rows: %.4f\n", fast.seconds / rows.seconds);
        }
        // every variant writes the same bytes
        const bool same = std::system(("cmp -s " + (root / "fast" / "datos_resultados.txt").string() + " " +
                                       (root / "columns" / "datos_resultados.txt").string())
                                          .c_str()) == 0;
        std::printf("  reports identical: %s\n", same ? "yes" : "NO");
    }
    fs::remove_all(root);
    return 0;
}
