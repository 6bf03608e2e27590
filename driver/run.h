// The run: console dialogue, files, reading, one-time preparation and the
// analysis cases, in the program's fixed order.
#pragma once

#include <istream>
#include <string>

#include "driver/io.h"
#include "model/model.h"
#include "output/summary.h"
#include "textio/listread.h"

namespace qb {

class OpenOutputs;

// Where a run takes its names from and what it writes. The defaults are the
// legacy run: both names asked at the console, every output in the working
// folder under its fixed name, the log written, no other file.
struct RunSettings {
    std::string data;       // data file; empty: both names are asked at the console
    std::string results;    // results report; empty with a data file: STEM_resultados.txt
    std::string outdir;     // folder of every output (created when missing); empty: the working folder
    bool job_names = false; // the outputs named after the job (STEM_memoria.txt, STEM.post.msh, ...)
    bool log = true;        // the working log
    bool console = true;    // the console lines on standard output
    bool vtk = false;       // a VTK grid per solved case and their collection
    bool csv = false;       // CSV tables per solved case
    bool summary = false;   // STEM_summary.json and STEM_cases.csv
    bool strict = false;    // every data warning refuses the data
};

// Reading and the one-time preparation: every record of the data file with
// its echo, numbering, soil, reaction areas, influence values, axes, frame
// stiffness and loads, field moduli, and the heading of the GiD results.
void prepare(Model& m, Io& io, ListReader& in);

// The analysis cases switched on, in the order 1, 2, 3, 4; `files`, when
// given, writes the open outputs of every solved case; `cases`, when given,
// receives the record of every case as it runs.
void run_cases(const Model& m, Io& io, OpenOutputs* files = nullptr, std::vector<CaseRecord>* cases = nullptr);

// Runs the whole program; returns the exit status and, in `record`, what the
// run did. Exit status 0: every case switched on solved, converged and sound;
// 1 bad data, outputs that would overwrite each other or the data, or a job
// already running; 2 a case without a solution (singular, not finite, or
// off its equations or its loads by more than 1 %); 3 not enough memory; 4 an
// output that cannot be created or written; 5 the run finished, but a case
// did not converge; 128 + signal when stopped by SIGINT or SIGTERM.
int run_querbal(const RunSettings& settings, std::istream& console_in, RunRecord* record = nullptr);
// The prompt mode with the legacy defaults.
inline int run_querbal(std::istream& console_in) { return run_querbal(RunSettings{}, console_in); }

// The version of the program.
const char* program_version();

} // namespace qb
