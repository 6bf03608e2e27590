// The run: console dialogue, files, reading, one-time preparation and the
// analysis cases, in the program's fixed order.
#pragma once

#include <istream>

namespace qb {

// Runs the whole program; returns the exit status. Input errors and a
// singular system end the run with a message on standard error, every output
// file flushed as far as it was written, and a non-zero status.
int run_querbal(std::istream& console_in);

} // namespace qb
