#include "driver/options.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "driver/open_outputs.h"

#ifndef QUERBAL_VERSION
#define QUERBAL_VERSION "unknown"
#endif

namespace qb {

int parse_command_line(int argc, const char* const* argv, Options& opt, std::ostream& out, std::ostream& err) {
    CLI::App app("querbal: soil-structure interaction of a frame of bars on strip footings, slabs and isolated "
                 "footings over a layered soil.",
                 "querbal");
    app.footer("Without DATA the program asks for the two file names at the console and writes the report, "
               "MEMORIA, VALINF, arch.msh and arch.res in the working folder, as it always has.\n"
               "Exit status: 0 done, 1 bad data or command line, 2 singular or non-finite solution, "
               "3 out of memory, 4 an output that cannot be written.\n"
               "See querbal(1).");
    app.set_version_flag("--version", std::string("querbal ") + QUERBAL_VERSION);

    std::string log = "full";
    app.add_option("DATA", opt.run.data, "Data file; runs without prompts")->type_name("");
    app.add_option("RESULTS", opt.run.results, "Results report (default: STEM_resultados.txt, STEM being DATA's "
                                                "name without its extension)")
        ->type_name("");
    app.add_option("-C,--outdir", opt.run.outdir, "Write every output into DIR (created when missing)")
        ->type_name("DIR");
    app.add_option("--log", log, "The working log MEMORIA: full (default) or off")
        ->check(CLI::IsMember({"full", "off"}).description(""))
        ->type_name("full|off");
    app.add_option("--threads", opt.threads, "Threads of the equation solver (default 0: the fastest for the "
                                             "order of each system on this machine)")
        ->check(CLI::Range(0, 1024).description(""))
        ->type_name("N");
    auto* check = app.add_flag("--check", opt.check, "Read and validate DATA only: print its counts and warnings, "
                                                     "exit 0 (valid) or 1 (bad data)");
    auto* vtk = app.add_flag("--vtk")->description("Write a VTK grid per solved case and STEM.pvd (default with DATA)");
    auto* no_vtk = app.add_flag("--no-vtk")->description("Do not write the VTK files")->excludes(vtk);
    auto* csv = app.add_flag("--csv")->description("Write the CSV tables of every solved case (default with DATA)");
    auto* no_csv = app.add_flag("--no-csv")->description("Do not write the CSV tables")->excludes(csv);
    app.add_flag("-q,--quiet", opt.quiet, "No console lines and no progress");
    std::string precision = "single";
    app.add_option("--precision", precision,
                   "Arithmetic of the analysis: single (default; the program's own, byte for byte) or double "
                   "(every real in double precision and the coupled systems through LAPACK: results differ in "
                   "their last digits)")
        ->check(CLI::IsMember({"single", "double"}).description(""))
        ->type_name("single|double");
    check->needs(app.get_option("DATA"));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e, out, err);
        return status == 0 ? 0 : 1;
    }

    // The report is created before the data file is read: a report named like
    // the data file would empty it.
    std::error_code ec;
    if (!opt.run.results.empty() &&
        std::filesystem::equivalent(opt.run.data, output_path(opt.run.outdir, opt.run.results), ec)) {
        err << "RESULTS " << output_path(opt.run.outdir, opt.run.results) << " is the data file " << opt.run.data
            << "; it would be overwritten\nRun with --help for more information.\n";
        return 1;
    }

    // The open outputs come with the command line; the prompt mode writes the
    // legacy files only, unless asked.
    const bool command_line = !opt.run.data.empty();
    opt.run.vtk = vtk->count() > 0 || (command_line && no_vtk->count() == 0);
    opt.run.csv = csv->count() > 0 || (command_line && no_csv->count() == 0);
    opt.run.log = log == "full";
    opt.run.console = !opt.quiet;
    opt.double_precision = precision == "double";
    return -1;
}

bool asks_double_precision(int argc, const char* const* argv) {
    Options opt;
    std::ostringstream sink;
    return parse_command_line(argc, argv, opt, sink, sink) < 0 && opt.double_precision;
}

} // namespace qb
