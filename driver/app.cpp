#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "driver/entry.h"
#include "driver/options.h"
#include "driver/paths.h"
#include "driver/terminal.h"
#include "textio/errors.h"
#include "textio/files.h"
#include "textio/lineform.h"

namespace qb {

namespace {

// How bad a status is, for the status of a batch: a run that did not
// converge is better than any failure.
int severity(int status) {
    switch (status) {
    case 0: return 0;
    case 5: return 1;
    case 1: return 2;
    case 2: return 3;
    case 3: return 4;
    case 4: return 5;
    default: return 6;
    }
}

// Standard output has been written (help, version, counts): a write that
// failed (a full device) is exit status 4.
int flushed(int status) {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
    std::fprintf(stderr, "querbal: cannot write standard output: %s\n", std::strerror(errno != 0 ? errno : EIO));
    return 4;
}

void print(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// The arithmetic and the path of a run. Inside the legacy tables the model is
// computed as it always was (the dense elimination, in the arithmetic asked
// for), unless double precision is asked for a coupled system of order
// SPARSE_FROM_ORDER or more, which the large-model path solves faster; beyond
// the tables it takes the large-model path, which computes in double
// precision. --solver forces either.
struct Path {
    bool double_arith = false;
    bool large = false;
};

Path path_of(const Options& opt, const ModelScan& scan) {
    switch (opt.solver) {
    case SolverKind::dense: return {opt.double_precision, false};
    case SolverKind::sparse: return {true, true};
    case SolverKind::automatic: break;
    }
    if (!scan.beyond.empty()) return {true, true};
    return {opt.double_precision, opt.double_precision && scan.order >= SPARSE_FROM_ORDER};
}

std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v) s += (s.empty() ? "" : ", ") + x;
    return s;
}

// The path of the data file `data`, read once ahead of its run. A file that
// cannot be read, or whose data are wrong, takes the path of the options: its
// run says what is wrong.
Path choose_path(const Options& opt, const std::string& data, bool announce) {
    ModelScan scan;
    if (opt.solver == SolverKind::automatic) {   // only the automatic choice reads the data first
        try {
            const std::string content = read_regular_file(data);
            scan = f32::scan_data(data, content);
        } catch (const RunError&) {
        } catch (const std::bad_alloc&) {
        }
    }
    const Path p = path_of(opt, scan);
    if (announce && p.large && !scan.beyond.empty())
        std::fprintf(stderr,
                     "querbal: %s: the model goes beyond the legacy tables (%s); it takes the large-model path "
                     "(double precision, the frame factored sparse, the soil dense)\n",
                     data.c_str(), joined(scan.beyond).c_str());
    return p;
}

RunSettings settings_of(const Options& opt, const std::string& data, const Path& p) {
    RunSettings s = opt.run;
    s.data = data;
    s.large = p.large;
    return s;
}

// The figures of a run, drawn by querbal-plot (beside the program once
// installed, in the source tree's scripts/ for a build) from its summary, into
// its output folder. Returns the status of the drawing: 0, or 4 when the
// figures could not be drawn (said on standard error).
int draw_figures(const RunRecord& rec, bool show_files) {
    std::string summary;
    for (const RunRecord::Output& o : rec.outputs)
        if (o.role == "summary") summary = o.path;
    if (summary.empty()) return 0;   // the run stopped before it had any output
    std::string script;
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    for (const std::filesystem::path& p :
         {ec ? std::filesystem::path() : self.parent_path() / "querbal-plot",
          std::filesystem::path(QUERBAL_SCRIPTS) / "querbal-plot"})
        if (!p.empty() && ::access(p.c_str(), R_OK) == 0) {
            script = p.string();
            break;
        }
    const auto failed = [&](const std::string& why) {
        std::fflush(stdout);
        std::fprintf(stderr, "querbal: %s: the figures could not be drawn: %s\n", rec.data.c_str(), why.c_str());
        return 4;
    };
    if (script.empty()) return failed("querbal-plot is neither beside the program nor in " QUERBAL_SCRIPTS);
    // The distribution's Python, which has matplotlib, before whatever else
    // the PATH names python3.
    const char* python = ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
    std::vector<std::string> args = {python, script, "--format", "png,svg", summary};
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid < 0) return failed(std::strerror(errno));
    if (pid == 0) {
        if (!show_files) {
            const int null = ::open("/dev/null", O_WRONLY);
            if (null >= 0) ::dup2(null, STDOUT_FILENO);
        }
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        std::fprintf(stderr, "querbal: cannot run %s: %s\n", python, std::strerror(errno));
        ::_exit(127);
    }
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0) return 0;
    return failed("querbal-plot ended with " + (WIFEXITED(wstatus) ? "status " + std::to_string(WEXITSTATUS(wstatus))
                                                                   : std::string("a signal")));
}

int run_one(const RunSettings& s, bool double_arith, std::istream& console_in, RunRecord* rec) {
    return double_arith ? f64::run_querbal(s, console_in, rec) : f32::run_querbal(s, console_in, rec);
}

// The prompt mode: both names asked at the console, the legacy outputs under
// their fixed names.
int run_prompted(const Options& opt, std::istream& console_in) {
    Channel console;
    if (opt.run.console) console.attach_stdout();
    const auto heading = [&console](const char* text) {
        List(console) << text;
        console.flush();
    };
    RunSettings s = opt.run;
    try {
        heading("ARCHIVO DE DATOS DE ENTRADA");
        s.data = read_console_name(console_in, "data-file");
        heading("ARCHIVO DE RESULTADOS");
        s.results = read_console_name(console_in, "results-file");
    } catch (const RunError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "querbal: %s\n", e.what());
        return e.status;
    }
    s.prompted = true;
    const Path p = choose_path(opt, s.data, true);
    s.large = p.large;
    return run_one(s, p.double_arith, console_in, nullptr);
}

} // namespace

int run_program(int argc, char** argv, Elimination elimination) {
    Options opt;
    if (const int status = parse_command_line(argc, argv, opt, std::cout, std::cerr); status >= 0)
        return status == 0 ? flushed(0) : status;
    opt.run.solver.threads = opt.threads;
    opt.run.solver.elimination = elimination;
    TerminalSession terminal(!opt.quiet);

    if (opt.check) {
        int worst = 0;
        for (const std::string& d : opt.data) {
            const Path p = choose_path(opt, d, false);
            const RunSettings s = settings_of(opt, d, p);
            const int status = p.double_arith ? f64::check_data(s) : f32::check_data(s);
            if (severity(status) > severity(worst)) worst = status;
        }
        return flushed(worst);
    }
    if (opt.data.empty()) return run_prompted(opt, std::cin);

    // Every data file in turn. A single run shows its console lines and its
    // summary; a batch, and -q, one line per run.
    const bool single = opt.data.size() == 1;
    int worst = 0;
    std::string worst_data;
    for (const std::string& d : opt.data) {
        const Path p = choose_path(opt, d, true);
        RunSettings s = settings_of(opt, d, p);
        // A single run shows one line per case as it ends, or with
        // --legacy-console the console lines of the prompt mode.
        s.console = single && !opt.quiet && opt.legacy_console;
        s.case_lines = single && !opt.quiet && !opt.legacy_console;
        RunRecord rec;
        int status = run_one(s, p.double_arith, std::cin, &rec);
        if (single && !opt.quiet) print(summary_text(rec));
        if (opt.plots)
            if (const int drawn = draw_figures(rec, single && !opt.quiet); severity(drawn) > severity(status))
                status = rec.status = drawn;
        print(run_line(rec) + "\n");
        if (severity(status) > severity(worst)) {
            worst = status;
            worst_data = d;
        }
    }
    if (!single)
        print("querbal: " + std::to_string(opt.data.size()) + " runs, exit status " + std::to_string(worst) +
              (worst != 0 ? " (" + worst_data + ")" : std::string()) + "\n");
    return worst;
}

} // namespace qb
