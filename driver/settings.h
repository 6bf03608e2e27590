// What a run is asked to do: its names and what it writes, whatever its
// arithmetic.
#pragma once

#include <cstdint>
#include <string>

#include "solver/solver_options.h"

namespace qb {

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
    bool case_lines = false;  // one line per case on standard output as each ends
    bool vtk = false;       // a VTK grid per solved case and their collection
    bool csv = false;       // CSV tables per solved case
    bool summary = false;   // STEM_summary.json and STEM_cases.csv
    bool strict = false;    // every data warning refuses the data
    bool large = false;     // the large-model path: a sparse frame, lean influence tables, a log without matrices
    bool prompted = false;  // the names came from the console dialogue (its headings already shown)
    SolverOptions solver;   // threads and elimination of the equation solver
    int64_t memory_budget = 0;   // bytes the model may take; 0: what the machine has
};

// The version of the program.
const char* program_version();

} // namespace qb
