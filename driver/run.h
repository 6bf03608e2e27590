// The run: console dialogue, files, reading, one-time preparation and the
// analysis cases, in the program's fixed order.
#pragma once

#include <istream>

#include "driver/io.h"
#include "model/model.h"
#include "textio/listread.h"

namespace qb {

// Reading and the one-time preparation: every record of the data file with
// its echo, numbering, soil, reaction areas, influence values, axes, frame
// stiffness and loads, field moduli, and the heading of the GiD results.
void prepare(Model& m, Io& io, ListReader& in);

// The analysis cases switched on, in the order 1, 2, 3, 4.
void run_cases(const Model& m, Io& io);

// Runs the whole program; returns the exit status. Input errors and a
// singular system end the run with a message on standard error, every output
// file flushed as far as it was written, and a non-zero status.
int run_querbal(std::istream& console_in);

} // namespace qb
