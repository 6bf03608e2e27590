// The command line of querbal.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "driver/settings.h"

namespace qb {

// How the coupled systems are solved: by the path the model calls for, by
// the dense elimination of the legacy tables, or by the large-model path
// (a sparse frame and a dense soil, in double precision).
enum class SolverKind { automatic, dense, sparse };

struct Options {
    std::vector<std::string> data;   // the data files; none: the prompt mode
    RunSettings run;        // what every run writes (its data and report names are set per run)
    bool check = false;     // read and validate the data only
    bool quiet = false;     // one line per run on the console, no progress
    int32_t threads = 0;    // threads of the equation solver; 0 lets it choose
    bool double_precision = false;   // every analysis real in double precision
    SolverKind solver = SolverKind::automatic;   // the path of the coupled systems
    bool legacy_console = false;    // a single run prints the prompt mode's console lines, not one line per case
    bool plots = false;             // the figures of every run, drawn by querbal-plot after it
};

// Reads the command line into `opt`. Returns -1 when the run goes on, or the
// exit status to end with at once: 0 after --help or --version (written to
// `out`; 4 when that write fails), 1 after a usage error (explained on `err`,
// every line starting with "querbal:").
int parse_command_line(int argc, const char* const* argv, Options& opt, std::ostream& out, std::ostream& err);

} // namespace qb
