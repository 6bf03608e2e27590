// The run: console dialogue, files, reading, one-time preparation and the
// analysis cases, in the program's fixed order.
#pragma once

#include <istream>
#include <string>

#include "driver/io.h"
#include "model/model.h"
#include "textio/listread.h"

namespace qb {

class OpenOutputs;

// Where a run takes its names from and what it writes. The defaults are the
// legacy run: both names asked at the console, every output in the working
// folder, the log written, no VTK or CSV files.
struct RunSettings {
    std::string data;      // data file; empty: both names are asked at the console
    std::string results;   // results report; empty with a data file: STEM_resultados.txt
    std::string outdir;    // folder of every output (created when missing); empty: the working folder
    bool log = true;       // the working log MEMORIA
    bool console = true;   // the console lines on standard output
    bool vtk = false;      // a VTK grid per solved case and their collection
    bool csv = false;      // CSV tables per solved case
};

// Reading and the one-time preparation: every record of the data file with
// its echo, numbering, soil, reaction areas, influence values, axes, frame
// stiffness and loads, field moduli, and the heading of the GiD results.
void prepare(Model& m, Io& io, ListReader& in);

// The analysis cases switched on, in the order 1, 2, 3, 4; `files`, when
// given, writes the open outputs of every solved case.
void run_cases(const Model& m, Io& io, OpenOutputs* files = nullptr);

// Runs the whole program; returns the exit status. Input errors and a
// singular system end the run with a message on standard error, every output
// file flushed as far as it was written, and a non-zero status.
// Exit status 0 done; 1 bad data, or outputs that would overwrite each other
// or the data; 2 a case without a solution (singular, or not finite); 3 not
// enough memory; 4 an output that cannot be created or written; 128 + signal
// when stopped by SIGINT or SIGTERM.
int run_querbal(const RunSettings& settings, std::istream& console_in);
int run_querbal(std::istream& console_in);

} // namespace qb
