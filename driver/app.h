// The program as the command line starts it, in the arithmetic of this build.
#pragma once

namespace qb::inline QB_ARITH {

// Reads the command line, then checks the data or runs: the exit status.
int run_program(int argc, char** argv);

} // namespace qb
