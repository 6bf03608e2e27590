#include "driver/app.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "driver/check.h"
#include "driver/options.h"
#include "driver/run.h"
#include "driver/terminal.h"

namespace qb::inline QB_ARITH {

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
            const int status = check_data(d, opt.quiet, opt.run.strict);
            if (severity(status) > severity(worst)) worst = status;
        }
        return flushed(worst);
    }
    if (opt.data.empty()) return run_querbal(opt.run, std::cin);   // the prompt mode

    // Every data file in turn. A single run shows its console lines and its
    // summary; a batch, and -q, one line per run.
    const bool single = opt.data.size() == 1;
    int worst = 0;
    std::string worst_data;
    for (const std::string& d : opt.data) {
        RunSettings s = opt.run;
        s.data = d;
        s.console = single && !opt.quiet;
        RunRecord rec;
        const int status = run_querbal(s, std::cin, &rec);
        if (single && !opt.quiet) print(summary_text(rec));
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
