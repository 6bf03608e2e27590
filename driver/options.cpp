#include "driver/options.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <map>
#include <system_error>

#include "driver/paths.h"
#include "solver/cholmod.h"
#include "solver/lapack.h"
#include "textio/errors.h"

#ifndef QUERBAL_VERSION
#define QUERBAL_VERSION "unknown"
#endif

namespace qb {

const char* program_version() { return QUERBAL_VERSION; }

namespace {

namespace fs = std::filesystem;

// A usage error: one line naming it, one pointing to --help.
int usage(std::ostream& err, const std::string& what) {
    err << "querbal: " << what << "\nquerbal: run with --help for more information\n";
    return 1;
}

// The names of a batch: each an existing data file, no two of them with the
// same job name (their outputs would share files), the report named only for
// a single run.
int check_names(const Options& opt, bool output_given, std::ostream& err) {
    if (opt.data.size() > 1) {
        if (output_given)
            return usage(err, "-o/--output names the report of a single run, but " + std::to_string(opt.data.size()) +
                                  " data files were given");
        for (const std::string& d : opt.data) {
            std::error_code ec;
            if (!fs::exists(d, ec))
                return usage(err, "no such data file '" + d + "': every name given is a data file, and a run's "
                                  "report is named with -o FILE");
        }
        std::map<std::string, std::string> jobs;
        for (const std::string& d : opt.data)
            if (const auto [it, fresh] = jobs.emplace(data_stem(d), d); !fresh)
                return usage(err, "'" + it->second + "' and '" + d + "' are both job '" + it->first +
                                  "': their outputs would share files; run them into different folders (-C)");
    }
    return -1;
}

// The version, the two arithmetics and the solvers this machine can run:
// LAPACK and CHOLMOD are loaded at run time, when a run first needs them.
std::string version_text() {
    std::string t = std::string("querbal ") + program_version() + "\n";
    t += "arithmetic: single precision (the program's own, the default); double precision (--precision double)\n";
    const auto library = [](auto load) -> std::string {
        try {
            return std::string("from ") + load().library;
        } catch (const RunError& e) {
            return std::string("NOT AVAILABLE: ") + e.what();
        }
    };
    t += "dense solver: the program's elimination (single precision); LAPACK's LU (double precision) " +
         library([]() -> const Lapack& { return lapack(); }) + "\n";
    t += "sparse solver (the large-model path): CHOLMOD " + library([]() -> const Cholmod& { return cholmod(); });
    return t;
}

} // namespace

int parse_command_line(int argc, const char* const* argv, Options& opt, std::ostream& out, std::ostream& err) {
    CLI::App app("querbal: soil-structure interaction of a frame of bars on strip footings, slabs and isolated "
                 "footings over a layered soil.",
                 "querbal");
    app.footer("Every DATA is a data file, run in turn; its outputs are named after it (STEM_resultados.txt, "
               "STEM_memoria.txt, STEM_valinf.txt, STEM.post.msh, STEM.post.res, STEM_summary.json, STEM_cases.csv, "
               "and per solved case STEM_caseN.vtu and STEM_caseN_*.csv). Without DATA the program asks for the two "
               "file names at the console and writes the report, MEMORIA, VALINF, arch.msh and arch.res, as it "
               "always has.\n"
               "Exit status: 0 every case solved and converged, 1 bad data or command line, 2 no valid solution "
               "(singular, not finite, or off its equations or loads by more than 1 %), 3 out of memory, 4 an output "
               "that cannot be written, 5 a case did not converge; a batch ends with the worst.\n"
               "See querbal(1).");
    app.set_version_flag("--version", version_text);
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return std::string("querbal: ") + e.what() + "\nquerbal: run with --help for more information\n";
    });

    std::string log;
    app.add_option("DATA", opt.data, "Data files, each run in turn without prompts")->type_name("");
    auto* output = app.add_option("-o,--output", opt.run.results,
                                  "The results report of a single run (default: STEM_resultados.txt, STEM being "
                                  "DATA's name without its folder and extension)")
                       ->type_name("FILE");
    app.add_option("-C,--outdir", opt.run.outdir, "Write every output into DIR (created when missing)")
        ->type_name("DIR");
    app.add_option("--log", log, "The working log: full (the default of the prompt mode) or off (the default with "
                                 "DATA)")
        ->check(CLI::IsMember({"full", "off"}).description(""))
        ->type_name("full|off");
    app.add_option("--threads", opt.threads, "Threads of the equation solver (default 0: the fastest for the "
                                             "order of each system on this machine)")
        ->check(CLI::Range(0, 1024).description(""))
        ->type_name("N");
    auto* check = app.add_flag("--check", opt.check, "Read and validate DATA only: print its counts and warnings, "
                                                     "exit 0 (valid) or 1 (bad data)");
    app.add_flag("--strict", opt.run.strict, "Refuse data that draw a warning (exit status 1), before writing "
                                             "anything");
    auto* vtk = app.add_flag("--vtk")->description("Write a VTK grid per solved case and STEM.pvd (default with DATA)");
    auto* no_vtk = app.add_flag("--no-vtk")->description("Do not write the VTK files")->excludes(vtk);
    auto* csv = app.add_flag("--csv")->description("Write the CSV tables of every solved case (default with DATA)");
    auto* no_csv = app.add_flag("--no-csv")->description("Do not write the CSV tables")->excludes(csv);
    auto* summary = app.add_flag("--summary")->description(
        "Write STEM_summary.json and STEM_cases.csv (default with DATA)");
    auto* no_summary =
        app.add_flag("--no-summary")->description("Do not write the summary files")->excludes(summary);
    app.add_flag("-q,--quiet", opt.quiet, "One line per run on the console, no progress");
    app.add_flag("--legacy-console", opt.legacy_console,
                 "A single run prints the console lines of the prompt mode instead of one line per case");
    auto* plots = app.add_flag("--plots", opt.plots,
                               "Draw the figures of every solved case (PNG and SVG, by querbal-plot) beside the "
                               "outputs");
    std::string precision = "single";
    app.add_option("--precision", precision,
                   "Arithmetic of the analysis: single (default; the program's own, byte for byte) or double "
                   "(every real in double precision and the coupled systems through LAPACK: results differ in "
                   "their last digits)")
        ->check(CLI::IsMember({"single", "double"}).description(""))
        ->type_name("single|double");
    std::string solver = "auto";
    app.add_option("--solver", solver,
                   "How the coupled systems are solved: auto (default: the dense elimination inside the legacy "
                   "tables, the large-model path beyond them), dense, or sparse (the large-model path: the frame "
                   "factored sparse once, the soil dense, in double precision)")
        ->check(CLI::IsMember({"auto", "dense", "sparse"}).description(""))
        ->type_name("auto|dense|sparse");
    check->needs(app.get_option("DATA"));
    plots->needs(app.get_option("DATA"))->excludes(no_csv)->excludes(no_summary)->excludes(check);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e, out, err);
        if (status != 0) return 1;
        out.flush();
        return out ? 0 : 4;
    }
    if (const int status = check_names(opt, output->count() > 0, err); status >= 0) return status;

    // The open outputs and the summary come with the command line; the prompt
    // mode writes the legacy files only, unless asked.
    const bool command_line = !opt.data.empty();
    opt.run.job_names = command_line;
    opt.run.vtk = vtk->count() > 0 || (command_line && no_vtk->count() == 0);
    opt.run.csv = csv->count() > 0 || (command_line && no_csv->count() == 0);
    opt.run.summary = summary->count() > 0 || (command_line && no_summary->count() == 0);
    // The log costs time and space that few read: a run named on the command
    // line writes it when asked.
    opt.run.log = log.empty() ? !command_line : log == "full";
    opt.run.console = !opt.quiet;
    opt.double_precision = precision == "double";
    opt.solver = solver == "dense" ? SolverKind::dense : solver == "sparse" ? SolverKind::sparse : SolverKind::automatic;
    return -1;
}

} // namespace qb
